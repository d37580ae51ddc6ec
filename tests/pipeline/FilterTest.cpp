// The filters: known results on tiny pictures, and effects only inside the effect area.

#include "ImageOps.h"
#include "ImagingControl.h"
#include "ImagingError.h"
#include "Pipeline.h"
#include "PipelineTestImages.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

namespace quorvin {
namespace {

using test::DifferingInside;
using test::DifferingOutside;
using test::NoisePicture;
using test::Put;
using test::SamePixels;
using test::UniformPicture;

cv::Mat Grey(std::initializer_list<std::initializer_list<int>> rows) {
  cv::Mat m(static_cast<int>(rows.size()), static_cast<int>(rows.begin()->size()), CV_8U);
  int y = 0;
  for (const auto& row : rows) {
    int x = 0;
    for (int v : row) m.at<uchar>(y, x++) = static_cast<uchar>(v);
    ++y;
  }
  return m;
}

TEST(Filters, KnownResultsOnTinyPictures) {
  ImagingControl c;
  // Average 3: a lone 90 spreads into ninths.
  Put(c, Grey({{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 90, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}));
  c.Average(3);
  EXPECT_EQ(c.Picture().at<uchar>(2, 2), 10);
  EXPECT_EQ(c.Picture().at<uchar>(1, 1), 10);
  EXPECT_EQ(c.Picture().at<uchar>(0, 0), 0);

  // Median 3: a lone spike disappears.
  Put(c, Grey({{20, 20, 20, 20}, {20, 250, 20, 20}, {20, 20, 20, 20}, {20, 20, 20, 20}}));
  c.Median(3);
  EXPECT_EQ(cv::countNonZero(c.Picture() != 20), 0);

  // Mosaic 2: each 2 x 2 tile takes its mean; the odd column and row form part tiles.
  Put(c, Grey({{0, 4, 10, 10, 7}, {8, 4, 10, 10, 9}, {1, 1, 2, 2, 5}}));
  c.Mosaic(2);
  EXPECT_TRUE(SamePixels(c.Picture(), Grey({{4, 4, 10, 10, 8}, {4, 4, 10, 10, 8}, {1, 1, 2, 2, 5}})));

  // Invert keeps the X channel.
  Put(c, UniformPicture(2, 2, 0x0A0A0A));
  c.Invert();
  EXPECT_EQ(c.Picture().at<cv::Vec4b>(0, 0), cv::Vec4b(245, 245, 245, 255));

  // Intensity stretches 50..150 to 0..255.
  Put(c, Grey({{50, 100, 150}}));
  c.Intensity();
  EXPECT_TRUE(SamePixels(c.Picture(), Grey({{0, 128, 255}})));

  // Sharpen overshoots on both sides of an edge; negative values soften it.
  const cv::Mat edge = Grey({{50, 50, 50, 200, 200, 200}, {50, 50, 50, 200, 200, 200}});
  Put(c, edge);
  c.Sharpen(800);
  EXPECT_LT(c.Picture().at<uchar>(0, 2), 50);
  EXPECT_GT(c.Picture().at<uchar>(0, 3), 200);
  Put(c, edge);
  c.Sharpen(-1000);
  EXPECT_GT(c.Picture().at<uchar>(0, 2), 50);

  // Oilify 3: a lone odd pixel takes the colour of the many.
  cv::Mat patch = UniformPicture(7, 7, 0x204060);
  patch.at<cv::Vec4b>(3, 3) = cv::Vec4b(250, 250, 250, 255);
  Put(c, patch);
  c.Oilify(3);
  EXPECT_TRUE(SamePixels(c.Picture(), UniformPicture(7, 7, 0x204060)));
}

TEST(Filters, ValuesOutOfRangeAreRefusedAndLoseNothing) {
  ImagingControl c;
  const cv::Mat picture = NoisePicture(8, 8);
  Put(c, picture);
  EXPECT_THROW(c.Sharpen(2000), ImagingError);
  EXPECT_THROW(c.Median(0), ImagingError);
  EXPECT_THROW(c.Oilify(65), ImagingError);
  EXPECT_THROW(c.Mosaic(-3), ImagingError);
  EXPECT_THROW(c.Average(40000), ImagingError);
  EXPECT_TRUE(SamePixels(c.Picture(), picture));
}

// Each switch alone changes pixels inside the effect area and none outside it.
class EffectInArea : public testing::TestWithParam<int> {};

TEST_P(EffectInArea, ChangesOnlyTheArea) {
  Settings s;
  s.ch1.fill(0);
  s.ch1[static_cast<size_t>(GetParam())] = 1;
  s.efct = {800, 3, 3, 3, 3, 160, 0, 0, 0, 0, 0};
  s.EfctALeft = 12;
  s.EfctATop = 8;
  s.EfctAWidth = 24;
  s.EfctAHeight = 16;
  const cv::Rect area(12, 8, 24, 16);
  // Blocks of noise in a narrow range: every filter has something to change, and Intensity room to stretch.
  cv::Mat frame = NoisePicture(16, 12, GetParam(), 60, 180);
  cv::resize(frame, frame, cv::Size(64, 48), 0, 0, cv::INTER_NEAREST);
  ImagingControls controls;
  Put(controls.LEAD1[0], frame);
  PostProcessing(controls, s);
  const cv::Mat& out = controls.LEAD1[0].Picture();
  EXPECT_EQ(DifferingOutside(out, frame, area), 0);
  EXPECT_GT(DifferingInside(out, frame, area), 0);
}

INSTANTIATE_TEST_SUITE_P(EachSwitch, EffectInArea, testing::Values(17, 18, 19, 22, 23, 24, 25, 26));

TEST(EffectOrder, InvertRunsBeforeGamma) {
  // Gamma then invert and invert then gamma differ; the fixed order is invert first.
  Settings s;
  s.ch1.fill(0);
  s.ch1[19] = 1;
  s.ch1[26] = 1;
  s.efct[5] = 200;
  s.EfctAWidth = 2;
  s.EfctAHeight = 2;
  ImagingControl lead2;
  Put(lead2, UniformPicture(2, 2, 0xC0C0C0));  // 192 -> 63 -> 255 * (63 / 255) ^ 0.5 = 126.7
  efct_lead2(lead2, s);
  EXPECT_EQ(lead2.Picture().at<cv::Vec4b>(0, 0)[0], 127);
}

}  // namespace
}  // namespace quorvin
