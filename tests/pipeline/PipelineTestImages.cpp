#include "PipelineTestImages.h"

#include "ImageOps.h"

#include <opencv2/imgproc.hpp>

namespace quorvin::test {

namespace {

cv::Mat DifferenceMask(const cv::Mat& a, const cv::Mat& b) {
  cv::Mat diff;
  cv::absdiff(a, b, diff);
  if (diff.channels() > 1) {
    cv::Mat gray;
    cv::transform(diff, gray, cv::Matx<float, 1, 4>(1, 1, 1, 1));
    diff = gray;
  }
  cv::Mat mask;
  cv::compare(diff, 0, mask, cv::CMP_GT);
  return mask;
}

}  // namespace

cv::Mat NoisePicture(int width, int height, int seed, int low, int high) {
  cv::Mat picture(height, width, imaging::kColorType);
  cv::RNG rng(static_cast<uint64_t>(seed));
  rng.fill(picture, cv::RNG::UNIFORM, low, high);
  cv::Mat x(picture.size(), CV_8U, cv::Scalar(255));
  const int from_to[] = {0, 3};
  cv::mixChannels(&x, 1, &picture, 1, from_to, 1);
  return picture;
}

cv::Mat UniformPicture(int width, int height, int32_t colorRef) {
  return cv::Mat(height, width, imaging::kColorType,
                 imaging::ScalarFromColorRef(colorRef, imaging::kColorType));
}

int DifferingInside(const cv::Mat& a, const cv::Mat& b, cv::Rect area) {
  const cv::Mat mask = DifferenceMask(a, b);
  return cv::countNonZero(mask(area & cv::Rect(0, 0, mask.cols, mask.rows)));
}

int DifferingOutside(const cv::Mat& a, const cv::Mat& b, cv::Rect area) {
  return cv::countNonZero(DifferenceMask(a, b)) - DifferingInside(a, b, area);
}

cv::Rect DifferenceBox(const cv::Mat& a, const cv::Mat& b) {
  const cv::Mat mask = DifferenceMask(a, b);
  if (cv::countNonZero(mask) == 0) return {};
  return cv::boundingRect(mask);
}

bool SamePixels(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && cv::countNonZero(DifferenceMask(a, b)) == 0;
}

void Put(ImagingControl& control, const cv::Mat& picture) {
  control.SetPicture(picture.clone());
}

}  // namespace quorvin::test
