// Writing JPEG files and loading pictures.

#include "ImageFiles.h"
#include "ImageOps.h"
#include "ImagingControl.h"
#include "ImagingError.h"
#include "PipelineTestImages.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <opencv2/imgproc.hpp>

#include <turbojpeg.h>

#include <sys/resource.h>
#include <csignal>

#include <gtest/gtest.h>

namespace quorvin {
namespace {

using test::NoisePicture;
using test::Put;
using test::SamePixels;
using test::UniformPicture;

struct Header {
  int width = 0, height = 0, subsampling = -1, colorspace = -1;
};

Header ReadHeader(const QByteArray& jpeg) {
  Header h;
  tjhandle tj = tjInitDecompress();
  tjDecompressHeader3(tj, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                      static_cast<unsigned long>(jpeg.size()), &h.width, &h.height, &h.subsampling,
                      &h.colorspace);
  tjDestroy(tj);
  return h;
}

TEST(JpegQuality, FactorMapsMonotonicallyOntoLibjpegQuality) {
  EXPECT_EQ(imaging::JpegQualityFromFactor(2), 100);
  EXPECT_EQ(imaging::JpegQualityFromFactor(25), 77);
  EXPECT_EQ(imaging::JpegQualityFromFactor(255), 1);
  for (int f = 3; f <= 255; ++f)
    EXPECT_LE(imaging::JpegQualityFromFactor(f), imaging::JpegQualityFromFactor(f - 1)) << "factor " << f;
  EXPECT_THROW(imaging::JpegQualityFromFactor(1), ImagingError);
  EXPECT_THROW(imaging::JpegQualityFromFactor(256), ImagingError);
}

TEST(SaveImage, LargerFactorsGiveSmallerFiles) {
  test::WorkingFolder folder;
  ImagingControl c;
  cv::Mat picture = NoisePicture(80, 60, 1);
  cv::resize(picture, picture, cv::Size(320, 240), 0, 0, cv::INTER_LINEAR);
  Put(c, picture);
  qint64 previous = -1;
  for (int factor : {255, 150, 60, 25, 10, 2}) {
    const QString file = folder.File(QStringLiteral("q%1.jpg").arg(factor));
    c.SaveImage(file, 10, 24, factor, false);
    const qint64 size = QFileInfo(file).size();
    EXPECT_GT(size, previous) << "factor " << factor;
    previous = size;
  }
}

TEST(SaveImage, BitsChooseColourOrOneComponentGreyscale) {
  test::WorkingFolder folder;
  ImagingControl c;
  Put(c, NoisePicture(64, 48));
  c.SaveImage(folder.File("colour.jpg"), 10, 24, 25, false);
  c.SaveImage(folder.File("grey.jpg"), 10, 8, 25, false);
  const Header colour = ReadHeader(test::ReadAll(folder.File("colour.jpg")));
  const Header grey = ReadHeader(test::ReadAll(folder.File("grey.jpg")));
  EXPECT_EQ(colour.width, 64);
  EXPECT_EQ(colour.colorspace, TJCS_YCbCr);
  EXPECT_EQ(grey.subsampling, TJSAMP_GRAY);
  EXPECT_EQ(grey.colorspace, TJCS_GRAY);
  EXPECT_EQ(c.BitsPerPixel(), 24);  // saving does not change the picture
}

TEST(SaveImage, TheFileAppearsOnlyComplete) {
  test::WorkingFolder folder;
  const QString file = folder.File("live.jpg");
  test::WriteAll(file, "previous picture");
  ImagingControl c;
  Put(c, NoisePicture(64, 48));
  EXPECT_THROW(c.SaveImage(file, 10, 16, 25, false), ImagingError);
  EXPECT_THROW(c.SaveImage(file, 3, 24, 25, false), ImagingError);
  EXPECT_THROW(c.SaveImage(file, 10, 24, 300, false), ImagingError);
  EXPECT_EQ(test::ReadAll(file), QByteArray("previous picture"));

  c.SaveImage(file, 10, 24, 25, false);
  const QByteArray written = test::ReadAll(file);
  EXPECT_TRUE(written.startsWith("\xFF\xD8"));
  EXPECT_TRUE(written.endsWith("\xFF\xD9"));
  // Nothing but the finished file is left in the folder.
  EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("live.jpg")});

  // A write that fails half-way (the file-size limit stands in for a full disk) is an error and leaves the
  // previous picture whole.
  {
    test::FileSizeLimit limit(100);
    EXPECT_THROW(c.SaveImage(file, 10, 24, 2, false), ImagingError);
  }
  EXPECT_EQ(test::ReadAll(file), written);
  EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("live.jpg")});

  try {
    c.SaveImage(folder.File("missing/live.jpg"), 10, 24, 25, false);
    FAIL() << "a missing folder was reported as success";
  } catch (const ImagingError& e) {
    EXPECT_EQ(e.Code(), ErrorCode::PathNotFound);
  }
  ImagingControl empty;
  EXPECT_THROW(empty.SaveImage(folder.File("none.jpg"), 10, 24, 25, false), ImagingError);
  EXPECT_FALSE(QFileInfo::exists(folder.File("none.jpg")));
}

TEST(LoadImage, ReadsJpegBmpAndPngAndRefusesOtherFiles) {
  test::WorkingFolder folder;
  const cv::Mat picture = NoisePicture(24, 16, 2);
  const QImage view(picture.data, picture.cols, picture.rows, static_cast<qsizetype>(picture.step),
                    QImage::Format_RGB32);
  ASSERT_TRUE(view.save(folder.File("p.png")));
  ASSERT_TRUE(view.save(folder.File("p.bmp")));
  ImagingControl c;
  for (const char* name : {"p.png", "p.bmp"}) {
    c.LoadImage(folder.File(QLatin1String(name)), 24, 0, 1);
    EXPECT_TRUE(SamePixels(c.Picture(), picture)) << name;
  }
  Put(c, UniformPicture(30, 20, 0x3080C0));
  c.SaveImage(folder.File("p.jpg"), 10, 24, 2, false);
  ImagingControl loaded;
  loaded.LoadImage(folder.File("p.jpg"), 24, 0, 1);
  ASSERT_EQ(loaded.Picture().size(), cv::Size(30, 20));
  const cv::Vec4b px = loaded.Picture().at<cv::Vec4b>(10, 15);
  EXPECT_NEAR(px[0], 0x30, 2);
  EXPECT_NEAR(px[2], 0xC0, 2);
  EXPECT_EQ(px[3], 255);

  test::WriteAll(folder.File("bad.jpg"), QByteArray("\xFF\xD8 not really", 13));
  test::WriteAll(folder.File("text.png"), "hello");
  for (const char* name : {"bad.jpg", "text.png", "absent.png"}) {
    try {
      loaded.LoadImage(folder.File(QLatin1String(name)), 24, 0, 1);
      ADD_FAILURE() << name << " was loaded";
    } catch (const ImagingError& e) {
      EXPECT_EQ(e.Code(), ErrorCode::ImageLoad) << name;
    }
  }
  EXPECT_EQ(loaded.Picture().size(), cv::Size(30, 20));  // the held picture stays
}

TEST(LoadImage, APngHeaderClaimingMoreThanThePixelLimitIsRefusedBeforeDecoding) {
  // (A JPEG's is, through the real program.) A small PNG whose header chunk says 30000 x 30000, its CRC
  // made to match.
  test::WorkingFolder folder;
  ASSERT_TRUE(QImage(8, 8, QImage::Format_RGB32).save(folder.File("huge.png")));
  QByteArray png = test::ReadAll(folder.File("huge.png"));
  for (const int at : {16, 20}) png.replace(at, 4, QByteArray("\x00\x00\x75\x30", 4));
  quint32 crc = 0xFFFFFFFF;
  for (const char byte : png.mid(12, 17)) {
    crc ^= static_cast<quint8>(byte);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>(~crc >> (24 - 8 * i));
  test::WriteAll(folder.File("huge.png"), png);
  ImagingControl c;
  try {
    c.LoadImage(folder.File("huge.png"), 24, 0, 1);
    ADD_FAILURE() << "loaded";
  } catch (const ImagingError& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("30000 x 30000 pixels is more than a picture may have")));
  }
}

TEST(SaveImage, An8KFrameIsWritten) {
  test::WorkingFolder folder;
  ImagingControl c;
  c.CreateImage(7680, 4320, 24);
  c.Sharpen(800);
  c.Gamma(120);
  c.SaveImage(folder.File("8k.jpg"), 10, 24, 25, false);
  const Header h = ReadHeader(test::ReadAll(folder.File("8k.jpg")));
  EXPECT_EQ(h.width, 7680);
  EXPECT_EQ(h.height, 4320);
}

}  // namespace
}  // namespace quorvin
