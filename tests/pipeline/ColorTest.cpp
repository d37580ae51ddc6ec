// Gamma, colour planes and ColorCorrect.

#include "ImageOps.h"
#include "ImagingControl.h"
#include "ImagingError.h"
#include "Pipeline.h"
#include "PipelineTestImages.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvin {
namespace {

using test::NoisePicture;
using test::Put;
using test::SamePixels;
using test::UniformPicture;

// Every 8-bit colour cube corner and a spread of random colours, black and white included.
cv::Mat ColourSample() {
  cv::Mat picture = NoisePicture(256, 256, 11);
  const int levels[] = {0, 1, 2, 127, 128, 254, 255};
  int i = 0;
  for (int b : levels)
    for (int g : levels)
      for (int r : levels) {
        picture.at<cv::Vec4b>(i / 256, i % 256) = cv::Vec4b(b, g, r, 255);
        ++i;
      }
  return picture;
}

TEST(Gamma, HundredIsTheIdentityAndTheCurveIsDocumented) {
  const cv::Mat picture = NoisePicture(32, 32);
  ImagingControl c;
  Put(c, picture);
  c.Gamma(100);
  EXPECT_TRUE(SamePixels(c.Picture(), picture));
  Put(c, UniformPicture(2, 2, 0x404040));  // 64
  c.Gamma(200);                            // 255 * (64 / 255) ^ 0.5 = 127.75
  EXPECT_EQ(c.Picture().at<cv::Vec4b>(0, 0), cv::Vec4b(128, 128, 128, 255));
  Put(c, UniformPicture(2, 2, 0x404040));
  c.Gamma(50);  // 255 * (64 / 255) ^ 2 = 16.06
  EXPECT_EQ(c.Picture().at<cv::Vec4b>(0, 0), cv::Vec4b(16, 16, 16, 255));
  EXPECT_THROW(c.Gamma(0), ImagingError);
}

TEST(Planes, CmykSplitAndMergeGiveThePictureBack) {
  const cv::Mat picture = ColourSample();
  ImagingControl c;
  Put(c, picture);
  c.SeparatePlanes(1);
  for (int k = 0; k < 4; ++k) EXPECT_NE(c.ColorPlane(k), 0);
  c.MergePlanes(1);
  EXPECT_TRUE(SamePixels(c.Picture(), picture));
  c.SeparatePlanes(0);
  EXPECT_EQ(c.ColorPlane(3), 0);
  c.MergePlanes(0);
  EXPECT_TRUE(SamePixels(c.Picture(), picture));
}

TEST(Planes, CmykValuesOfPureColours) {
  ImagingControl c, plane;
  Put(c, UniformPicture(2, 2, 0x0000FF));  // red
  c.SeparatePlanes(1);
  const int expected[4] = {0, 255, 255, 0};
  for (int k = 0; k < 4; ++k) {
    plane.SetImageHandle(c.ColorPlane(k));
    EXPECT_EQ(plane.BitsPerPixel(), 8);
    EXPECT_EQ(plane.Picture().at<uchar>(0, 0), expected[k]) << "plane " << k;
  }
  Put(c, UniformPicture(2, 2, 0x404040));  // grey: no ink but black
  c.SeparatePlanes(1);
  plane.SetImageHandle(c.ColorPlane(3));
  EXPECT_EQ(plane.Picture().at<uchar>(0, 0), 255 - 64);
  plane.SetImageHandle(c.ColorPlane(0));
  EXPECT_EQ(plane.Picture().at<uchar>(0, 0), 0);
}

TEST(Planes, MergingWithoutPlanesIsAnError) {
  ImagingControl c;
  Put(c, NoisePicture(4, 4));
  c.SeparatePlanes(0);
  c.SetColorPlane(1, 0);
  EXPECT_THROW(c.MergePlanes(0), ImagingError);
  EXPECT_EQ(c.ImageWidth(), 4);
}

struct Corrected {
  cv::Mat picture;
  int repaints = 0;
};

Corrected Correct(const cv::Mat& frame, const Settings& s) {
  ImagingControl lead2;
  Corrected run;
  lead2.SetRepaintHandler([&run] { ++run.repaints; });
  Put(lead2, frame);
  ColorCorrect(lead2, s);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(lead2.ColorPlane(k), 0) << "plane " << k << " still held";
  EXPECT_EQ(lead2.FixedSetting(57), 0);
  run.picture = lead2.Picture().clone();
  return run;
}

TEST(ColorCorrect, StandardValuesLeaveTheFrameAndReleaseThePlanes) {
  const cv::Mat frame = ColourSample();
  Settings s;
  for (int model : {0, 1}) {
    s.op3[Option::ColourModel] = model;
    const Corrected run = Correct(frame, s);
    EXPECT_EQ(run.picture.type(), imaging::kColorType) << "a single plane was left";
    EXPECT_TRUE(SamePixels(run.picture, frame)) << "model " << model;
    // Each of four planes, then the merged frame; RGB at 100 makes no planes and shows the frame once.
    EXPECT_EQ(run.repaints, model == 0 ? 1 : 5);
  }
  // The shortcut at 100 must still leave X at 255, as the merge does.
  s.op3[Option::ColourModel] = 0;
  cv::Mat clear = frame.clone();
  clear.forEach<cv::Vec4b>([](cv::Vec4b& p, const int*) { p[3] = 0; });
  EXPECT_TRUE(SamePixels(Correct(clear, s).picture, frame));
}

TEST(ColorCorrect, RgbCorrectsEachPlaneAloneAndIgnoresTheFourthValue) {
  const cv::Mat frame = NoisePicture(40, 30, 2);
  Settings s;
  s.op3[Option::ColourModel] = 0;
  s.colorganma = {100, 100, 100, 40};
  EXPECT_TRUE(SamePixels(Correct(frame, s).picture, frame));

  s.colorganma = {150, 100, 100, 100};  // blue only
  const cv::Mat out = Correct(frame, s).picture;
  std::vector<cv::Mat> before, after;
  cv::split(frame, before);
  cv::split(out, after);
  EXPECT_GT(cv::norm(before[0], after[0], cv::NORM_INF), 0);
  for (int ch : {1, 2, 3}) EXPECT_EQ(cv::norm(before[ch], after[ch], cv::NORM_INF), 0) << "channel " << ch;
}

TEST(ColorCorrect, CmykUsesItsOwnValues) {
  const cv::Mat frame = NoisePicture(40, 30, 3);
  Settings s;
  s.op3[Option::ColourModel] = 1;
  s.colorganma = {10, 10, 10, 10};  // RGB values play no part
  EXPECT_TRUE(SamePixels(Correct(frame, s).picture, frame));
  s.colorganma2 = {100, 100, 100, 60};  // less black ink: a lighter picture
  EXPECT_GT(cv::mean(Correct(frame, s).picture)[1], cv::mean(frame)[1]);
}

TEST(ColorCorrect, DisabledDoesNothingAtAll) {
  const cv::Mat frame = NoisePicture(20, 20, 4);
  Settings s;
  s.op3[Option::ColourModel] = 2;
  s.colorganma = {10, 10, 10, 10};
  const Corrected run = Correct(frame, s);
  EXPECT_TRUE(SamePixels(run.picture, frame));
  EXPECT_EQ(run.repaints, 0);
  s.op3[Option::ColourModel] = 7;  // an unknown model repaints and releases only
  EXPECT_EQ(Correct(frame, s).repaints, 1);
}

}  // namespace
}  // namespace quorvin
