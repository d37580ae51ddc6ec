#pragma once
// Small synthetic pictures and pixel comparisons for the pipeline tests.

#include "ImagingControl.h"

#include <opencv2/core.hpp>

namespace quorvin::test {

// Random colour pixels (X = 255), the same for the same seed.
cv::Mat NoisePicture(int width, int height, int seed = 1, int low = 0, int high = 256);
// One colour (0x00BBGGRR) everywhere.
cv::Mat UniformPicture(int width, int height, int32_t colorRef);
// Number of pixels that differ between two pictures of one size, inside or outside a rectangle.
int DifferingInside(const cv::Mat& a, const cv::Mat& b, cv::Rect area);
int DifferingOutside(const cv::Mat& a, const cv::Mat& b, cv::Rect area);
// The bounding box of the differing pixels (empty when none differ).
cv::Rect DifferenceBox(const cv::Mat& a, const cv::Mat& b);
bool SamePixels(const cv::Mat& a, const cv::Mat& b);
// A control holding a copy of the picture.
void Put(ImagingControl& control, const cv::Mat& picture);

}  // namespace quorvin::test
