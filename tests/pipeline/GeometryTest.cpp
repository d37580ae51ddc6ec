// Turning, flipping, cropping, combining, resizing and the effect-area clamp.

#include "ImageOps.h"
#include "ImagingControl.h"
#include "ImagingError.h"
#include "Pipeline.h"
#include "PipelineTestImages.h"

#include <gtest/gtest.h>

namespace quorvin {
namespace {

using test::DifferingInside;
using test::DifferingOutside;
using test::NoisePicture;
using test::Put;
using test::SamePixels;
using test::UniformPicture;

TEST(Rotate, CanvasGrowsToHoldTheTurnedPicture) {
  struct Case {
    int32_t angle;
    cv::Size expected;
  };
  for (const Case& c : {Case{0, {40, 30}}, Case{9000, {30, 40}}, Case{18000, {40, 30}}, Case{27000, {30, 40}},
                        Case{-9000, {30, 40}}, Case{45000, {30, 40}}, Case{4500, {50, 50}},  // 49.5 -> 50
                        Case{3000, {50, 46}}}) {                                             // 49.64, 45.98
    ImagingControl control;
    Put(control, NoisePicture(40, 30));
    control.Rotate(c.angle, true, 0);
    EXPECT_EQ(cv::Size(static_cast<int>(control.ImageWidth()), static_cast<int>(control.ImageHeight())),
              c.expected)
        << "angle " << c.angle;
  }
}

TEST(Rotate, QuarterTurnIsClockwiseAndExact) {
  cv::Mat picture = UniformPicture(4, 3, 0);
  picture.at<cv::Vec4b>(0, 0) = cv::Vec4b(1, 2, 3, 255);
  ImagingControl control;
  Put(control, picture);
  control.Rotate(9000, true, 0);
  // The top-left corner lands at the top right.
  EXPECT_EQ(control.Picture().at<cv::Vec4b>(0, 2), cv::Vec4b(1, 2, 3, 255));
  control.Rotate(27000, true, 0);
  EXPECT_TRUE(SamePixels(control.Picture(), picture));
}

TEST(Rotate, UncoveredCornersTakeTheFillColour) {
  ImagingControl control;
  Put(control, UniformPicture(100, 100, 0xFFFFFF));
  control.Rotate(4500, true, 0);
  const cv::Mat& p = control.Picture();
  EXPECT_EQ(p.at<cv::Vec4b>(0, 0), cv::Vec4b(0, 0, 0, 255));
  EXPECT_EQ(p.at<cv::Vec4b>(p.rows / 2, p.cols / 2), cv::Vec4b(255, 255, 255, 255));
  Put(control, UniformPicture(40, 40, 0xFFFFFF));
  control.Rotate(1000, false, 0x0000FF);  // kept size, red corners
  EXPECT_EQ(control.ImageWidth(), 40);
  EXPECT_EQ(control.Picture().at<cv::Vec4b>(0, 0), cv::Vec4b(0, 0, 255, 255));
}

TEST(Rotate, PicturesWiderThan32767PixelsTurn) {
  ImagingControl control;
  Put(control, UniformPicture(33000, 4, 0xFFFFFF));
  control.Rotate(100, true, 0);  // one degree
  const cv::Mat& p = control.Picture();
  ASSERT_EQ(p.size(), imaging::RotatedSize(cv::Size(33000, 4), 100));
  // A white band through the centre, falling to the right (clockwise); two corners stay black.
  EXPECT_EQ(p.at<cv::Vec4b>(p.rows / 2, p.cols / 2), cv::Vec4b(255, 255, 255, 255));
  EXPECT_EQ(p.at<cv::Vec4b>(p.rows / 2 + 3, p.cols / 2 + 200)[0], 255);
  EXPECT_EQ(p.at<cv::Vec4b>(p.rows / 2 - 3, p.cols / 2 + 200)[0], 0);
  EXPECT_EQ(p.at<cv::Vec4b>(p.rows - 1, 0), cv::Vec4b(0, 0, 0, 255));
  EXPECT_EQ(p.at<cv::Vec4b>(0, p.cols - 1), cv::Vec4b(0, 0, 0, 255));
}

TEST(FlipAndMirror, TogetherEqualAHalfTurn) {
  const cv::Mat picture = NoisePicture(13, 7, 3);
  ImagingControl both, turned;
  Put(both, picture);
  Put(turned, picture);
  both.Flip();
  both.Mirror();
  turned.Rotate(18000, true, 0);
  EXPECT_TRUE(SamePixels(both.Picture(), turned.Picture()));
  ImagingControl flipped;
  Put(flipped, picture);
  flipped.Flip();
  EXPECT_EQ(flipped.Picture().at<cv::Vec4b>(0, 5), picture.at<cv::Vec4b>(6, 5));
}

TEST(Crop, CutsTheRectangleClippedToThePicture) {
  const cv::Mat picture = NoisePicture(20, 10, 4);
  ImagingControl control;
  Put(control, picture);
  control.Crop(3, 2, 5, 4);
  ASSERT_EQ(control.Picture().size(), cv::Size(5, 4));
  EXPECT_TRUE(SamePixels(control.Picture(), picture(cv::Rect(3, 2, 5, 4))));
  Put(control, picture);
  control.Crop(15, 8, 100, 100);
  EXPECT_TRUE(SamePixels(control.Picture(), picture(cv::Rect(15, 8, 5, 2))));
  Put(control, picture);
  control.Crop(0, 0, 0, 0);  // an empty area keeps an empty picture that later steps pass over
  EXPECT_TRUE(control.HasImage());
  EXPECT_EQ(control.ImageWidth(), 0);
  control.Sharpen(800);
}

TEST(Combine, CopiesIntoTheRectangleOnly) {
  const cv::Mat frame = NoisePicture(30, 20, 5), patch = UniformPicture(8, 6, 0x00FF00);
  ImagingControl target, source;
  Put(target, frame);
  Put(source, patch);
  target.Combine(4, 3, 8, 6, source.ImageHandle(), 0, 0, imaging::kCombineCopy);
  const cv::Rect area(4, 3, 8, 6);
  EXPECT_EQ(DifferingOutside(target.Picture(), frame, area), 0);
  EXPECT_TRUE(SamePixels(target.Picture()(area), patch));

  // Partly outside on the left and top: the part that falls inside is the source's lower right.
  cv::Mat marked = patch.clone();
  marked.at<cv::Vec4b>(5, 7) = cv::Vec4b(9, 9, 9, 255);
  Put(source, marked);
  Put(target, frame);
  target.Combine(-7, -5, 8, 6, source.ImageHandle(), 0, 0, imaging::kCombineCopy);
  EXPECT_EQ(target.Picture().at<cv::Vec4b>(0, 0), cv::Vec4b(9, 9, 9, 255));
  EXPECT_EQ(DifferingOutside(target.Picture(), frame, cv::Rect(0, 0, 1, 1)), 0);

  Put(target, frame);
  target.Combine(5, 5, 0, 0, source.ImageHandle(), 0, 0, imaging::kCombineCopy);
  EXPECT_TRUE(SamePixels(target.Picture(), frame));
  EXPECT_THROW(target.Combine(0, 0, 2, 2, source.ImageHandle(), 0, 0, 77), ImagingError);
}

TEST(Resize, GivesTheAskedSize) {
  ImagingControl control;
  Put(control, UniformPicture(640, 480, 0x336699));
  control.Resize(128, 96, 1);
  ASSERT_EQ(control.Picture().size(), cv::Size(128, 96));
  EXPECT_EQ(control.Picture().at<cv::Vec4b>(50, 60), cv::Vec4b(0x33, 0x66, 0x99, 255));
  control.Resize(300, 200, 1);
  EXPECT_EQ(control.Picture().size(), cv::Size(300, 200));
  EXPECT_THROW(control.Resize(0, 10, 1), ImagingError);
}

TEST(EffectArea, ClampExample) {
  Settings s;
  s.EfctATop = 400;
  s.EfctALeft = 500;
  s.EfctAWidth = 300;
  s.EfctAHeight = 100;
  s.ch1.fill(0);
  ImagingControl lead2;
  Put(lead2, NoisePicture(640, 480));
  efct_lead2(lead2, s);
  EXPECT_EQ(s.EfctATop, 400);
  EXPECT_EQ(s.EfctALeft, 500);
  EXPECT_EQ(s.EfctAWidth, 140);
  EXPECT_EQ(s.EfctAHeight, 80);
  EXPECT_EQ(lead2.Picture().size(), cv::Size(140, 80));

  // Values near the 32-bit limit are clamped, not wrapped.
  s.EfctATop = 10;
  s.EfctAHeight = INT32_MAX;
  s.EfctALeft = INT32_MAX;
  Put(lead2, NoisePicture(64, 48));
  efct_lead2(lead2, s);
  EXPECT_EQ(s.EfctAHeight, 38);
  EXPECT_EQ(s.EfctALeft, 64);
  EXPECT_EQ(s.EfctAWidth, 0);
}

TEST(PostProcessing, AnAreaReachingLeftOfTheFrameIsCutNotShifted) {
  Settings s;
  s.ch1.fill(0);
  s.ch1[19] = 1;  // invert
  s.EfctALeft = -10;
  s.EfctATop = -4;
  s.EfctAWidth = 40;
  s.EfctAHeight = 20;
  ImagingControls controls;
  const cv::Mat frame = NoisePicture(64, 48, 12);
  Put(controls.LEAD1[0], frame);
  PostProcessing(controls, s);
  const cv::Rect area(0, 0, 30, 16);
  cv::Mat expected = frame.clone();
  cv::bitwise_xor(expected(area), cv::Scalar(255, 255, 255, 0), expected(area));
  EXPECT_TRUE(SamePixels(controls.LEAD1[0].Picture(), expected));
  EXPECT_EQ(s.EfctALeft, 0);
  EXPECT_EQ(s.EfctAWidth, 30);
  EXPECT_EQ(s.EfctATop, 0);
  EXPECT_EQ(s.EfctAHeight, 16);
}

TEST(PostProcessing, ClampsAgainstTheTurnedFrame) {
  Settings s;
  s.ch1.fill(0);
  s.op3[18] = 1;
  s.PictureAngle = 9000;
  s.EfctALeft = 0;
  s.EfctATop = 0;
  s.EfctAWidth = 640;
  s.EfctAHeight = 480;
  ImagingControls controls;
  Put(controls.LEAD1[0], NoisePicture(640, 480));
  int fits = 0;
  PostProcessing(controls, s, [&fits] { ++fits; });
  EXPECT_EQ(fits, 1);
  EXPECT_EQ(controls.LEAD1[0].Picture().size(), cv::Size(480, 640));
  EXPECT_EQ(s.EfctAWidth, 480);
  EXPECT_EQ(s.EfctAHeight, 480);
  EXPECT_FALSE(controls.LEAD2.HasImage());
}

TEST(PostProcessing, WithoutEffectsTheFrameComesBackUnchanged) {
  Settings s;
  s.ch1.fill(0);
  s.EfctALeft = 10;
  s.EfctATop = 5;
  s.EfctAWidth = 30;
  s.EfctAHeight = 20;
  ImagingControls controls;
  const cv::Mat frame = NoisePicture(64, 48, 9);
  Put(controls.LEAD1[0], frame);
  PostProcessing(controls, s);
  EXPECT_TRUE(SamePixels(controls.LEAD1[0].Picture(), frame));
  s.ch1[20] = 1;
  s.ch1[21] = 1;
  PostProcessing(controls, s);
  cv::Mat turned;
  cv::rotate(frame, turned, cv::ROTATE_180);
  EXPECT_TRUE(SamePixels(controls.LEAD1[0].Picture(), turned));
}

TEST(LargeFrame, An8KFrameGoesThroughEveryOperation) {
  ImagingControls controls;
  ImagingControl& frame = controls.LEAD1[0];
  frame.CreateImage(7680, 4320, 24);
  Settings s;
  s.ch1.fill(0);
  for (int i : {17, 18, 19, 22, 23, 24, 25, 26}) s.ch1[static_cast<size_t>(i)] = 1;
  s.efct = {800, 3, 2, 10, 3, 120, 0, 0, 0, 0, 0};
  s.EfctALeft = 7000;
  s.EfctATop = 4000;
  s.EfctAWidth = 680;
  s.EfctAHeight = 320;
  s.PictureAngle = 18000;
  s.ch1[20] = 1;
  s.ch1[21] = 1;
  PostProcessing(controls, s);
  EXPECT_EQ(frame.Picture().size(), cv::Size(7680, 4320));
  EXPECT_EQ(s.EfctAWidth, 680);
  ImagingControl copy;
  copy.SetImageHandle(frame.ImageHandle());
  copy.Rotate(9000, true, 0);
  EXPECT_EQ(copy.Picture().size(), cv::Size(4320, 7680));
  copy.Crop(100, 7000, 4000, 680);
  copy.Combine(0, 0, 10, 10, frame.ImageHandle(), 7670, 4310, imaging::kCombineCopy);
  EXPECT_EQ(copy.Picture().size(), cv::Size(4000, 680));
  frame.Resize(3840, 2160, 1);
  EXPECT_EQ(frame.Picture().size(), cv::Size(3840, 2160));
}

}  // namespace
}  // namespace quorvin
