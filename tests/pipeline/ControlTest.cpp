// Image handles, drawing surfaces and the control's own bookkeeping.

#include "ImagingControl.h"
#include "ImagingError.h"
#include "PipelineTestImages.h"
#include "PixelPool.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

namespace quorvin {
namespace {

using test::NoisePicture;
using test::Put;
using test::SamePixels;

TEST(ImageHandle, PuttingAHandleGivesAnIndependentCopy) {
  ImagingControl a, b;
  Put(a, NoisePicture(16, 12));
  const cv::Mat original = a.Picture().clone();
  b.SetImageHandle(a.ImageHandle());
  ASSERT_NE(b.ImageHandle(), 0);
  EXPECT_NE(b.ImageHandle(), a.ImageHandle());
  EXPECT_TRUE(SamePixels(b.Picture(), original));

  b.Invert();  // a change to the copy
  EXPECT_TRUE(SamePixels(a.Picture(), original));
  a.Flip();  // and to the original
  EXPECT_FALSE(SamePixels(a.Picture(), b.Picture()));
  cv::Mat inverted;
  cv::bitwise_xor(original, cv::Scalar(255, 255, 255, 0), inverted);
  EXPECT_TRUE(SamePixels(b.Picture(), inverted));
}

TEST(ImageHandle, PutZeroReleasesAndUnknownHandlesAreRefused) {
  ImagingControl a, b;
  Put(a, NoisePicture(8, 8));
  const int32_t old = a.ImageHandle();
  a.SetImageHandle(0);
  EXPECT_FALSE(a.HasImage());
  EXPECT_EQ(a.ImageWidth(), 0);
  // The released handle no longer names a picture.
  try {
    b.SetImageHandle(old);
    FAIL() << "a released handle was accepted";
  } catch (const ImagingError& e) {
    EXPECT_EQ(e.Code(), ErrorCode::NoImage);
  }
  Put(b, NoisePicture(4, 4));
  EXPECT_THROW(b.SetImageHandle(123), ImagingError);
  EXPECT_EQ(b.ImageWidth(), 4);  // nothing lost
  EXPECT_THROW(a.Invert(), ImagingError);
}

TEST(ImageHandle, AWrappedBufferIsCopiedNotBorrowed) {
  std::vector<uchar> buffer(4 * 4 * 4, 7);
  ImagingControl c;
  c.SetPicture(cv::Mat(4, 4, CV_8UC4, buffer.data()));
  buffer.assign(buffer.size(), 9);  // the caller reuses its buffer
  EXPECT_EQ(c.Picture().at<cv::Vec4b>(1, 1)[0], 7);
  reinterpret_cast<QImage*>(c.GetImageDC())->fill(Qt::white);
  c.ReleaseImageDC();
  EXPECT_EQ(buffer[0], 9);
}

TEST(ImageHandle, ReleasingTheSourceKeepsTheCopy) {
  ImagingControl b;
  const cv::Mat original = NoisePicture(10, 10, 7);
  {
    ImagingControl a;
    Put(a, original);
    b.SetImageHandle(a.ImageHandle());
  }
  EXPECT_TRUE(SamePixels(b.Picture(), original));
}

TEST(DrawingSurface, PaintedPixelsAreThePicturesAfterRelease) {
  ImagingControl frame;
  frame.CreateImage(64, 48, 24);
  EXPECT_EQ(frame.BitsPerPixel(), 24);
  auto* surface = reinterpret_cast<QImage*>(frame.GetImageDC());
  ASSERT_NE(surface, nullptr);
  ASSERT_EQ(surface->size(), QSize(64, 48));
  {
    QPainter painter(surface);
    painter.fillRect(QRect(0, 0, 32, 48), QColor(255, 0, 0));
  }
  frame.ReleaseImageDC();
  const cv::Vec4b left = frame.Picture().at<cv::Vec4b>(10, 5), right = frame.Picture().at<cv::Vec4b>(10, 50);
  EXPECT_EQ(left, cv::Vec4b(0, 0, 255, 255));
  EXPECT_EQ(right, cv::Vec4b(0, 0, 0, 255));
}

TEST(DrawingSurface, ADetachedSurfaceIsSyncedBackOnRelease) {
  ImagingControl frame;
  frame.CreateImage(8, 8, 24);
  auto* surface = reinterpret_cast<QImage*>(frame.GetImageDC());
  const QImage keep = *surface;  // a second reference makes the painter detach the surface
  surface->fill(QColor(0, 0, 255));
  frame.ReleaseImageDC();
  EXPECT_EQ(frame.Picture().at<cv::Vec4b>(5, 5), cv::Vec4b(255, 0, 0, 255));
}

TEST(DrawingSurface, ACopyTakenDuringTheLoanIsNotPaintedOn) {
  ImagingControl frame, copy;
  frame.CreateImage(8, 8, 24);
  auto* surface = reinterpret_cast<QImage*>(frame.GetImageDC());
  copy.SetImageHandle(frame.ImageHandle());
  surface->fill(QColor(0, 255, 0));
  frame.ReleaseImageDC();
  EXPECT_EQ(frame.Picture().at<cv::Vec4b>(3, 3), cv::Vec4b(0, 255, 0, 255));
  EXPECT_EQ(copy.Picture().at<cv::Vec4b>(3, 3), cv::Vec4b(0, 0, 0, 255));
}

TEST(CreateImage, SizesAndDepthsAreChecked) {
  ImagingControl c;
  c.CreateImage(7680, 4320, 24);
  EXPECT_EQ(c.ImageWidth(), 7680);
  EXPECT_EQ(c.ImageHeight(), 4320);
  c.CreateImage(3, 2, 8);
  EXPECT_EQ(c.BitsPerPixel(), 8);
  EXPECT_THROW(c.CreateImage(0, 10, 24), ImagingError);
  EXPECT_THROW(c.CreateImage(10, 10, 16), ImagingError);
  EXPECT_EQ(c.ImageWidth(), 3);  // a refused call keeps the picture
}

TEST(FixedSettings, AreAcceptedAndKept) {
  ImagingControl c;
  EXPECT_EQ(c.FixedSetting(85), -1);
  c.SetTwainSetting85(12160);
  c.SetTwainSetting86(9120);
  c.SetTwainSetting82(-1);
  c.SetSetting57(true);
  EXPECT_EQ(c.FixedSetting(85), 12160);
  EXPECT_EQ(c.FixedSetting(86), 9120);
  EXPECT_EQ(c.FixedSetting(82), -1);
  EXPECT_EQ(c.FixedSetting(57), 1);
}

TEST(Repaint, CallsTheViewAndSelectionChangesRepaint) {
  ImagingControl c;
  int repaints = 0;
  c.SetRepaintHandler([&repaints] { ++repaints; });
  c.Repaint();
  c.SetSelectionRect(1, 2, 3, 4);  // not visible: no repaint
  c.SetSelectionVisible(true);
  c.SetSelectionRect(5, 6, 7, 8);
  EXPECT_EQ(repaints, 3);
  EXPECT_EQ(c.SelectionRect(), QRectF(5, 6, 7, 8));

  // A view that goes away removes only its own handler, not a newer view's.
  int first = 0, second = 0;
  const int ownerA = 0, ownerB = 0;
  c.SetRepaintHandler([&first] { ++first; }, &ownerA);
  c.SetRepaintHandler([&second] { ++second; }, &ownerB);
  c.ClearRepaintHandler(&ownerA);
  c.Repaint();
  c.ClearRepaintHandler(&ownerB);
  c.Repaint();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
}

}  // namespace
}  // namespace quorvin

namespace quorvin {
namespace {

TEST(PixelPool, FreedPictureMemoryIsReusedWithinBounds) {
  imaging::InstallPixelPool();
  const uchar* first = nullptr;
  {
    const cv::Mat a(1080, 1920, CV_8UC4);
    first = a.data;
  }
  EXPECT_GE(imaging::PooledBytes(), size_t{1920} * 1080 * 4);
  const cv::Mat b(1080, 1920, CV_8UC4), c(1080, 1920, CV_8UC4);
  EXPECT_EQ(b.data, first);
  EXPECT_NE(c.data, first);

  // Many freed buffers: only a bounded number is kept.
  {
    std::vector<cv::Mat> many;
    for (int i = 0; i < 40; ++i) many.emplace_back(1024, 1024, CV_8UC4);
  }
  EXPECT_LE(imaging::PooledBytes(), size_t{16} * 4 << 20);
}

}  // namespace
}  // namespace quorvin
