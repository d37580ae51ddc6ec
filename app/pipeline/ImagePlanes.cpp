// Colour planes: blue, green, red, or cyan, magenta, yellow, black.

#include "ImageOps.h"
#include "ImagingError.h"

#include <opencv2/imgproc.hpp>

#include <vector>

namespace quorvin::imaging {

namespace {

cv::Mat Plane(const cv::Mat* plane, int index, cv::Size size) {
  if (plane == nullptr || (plane->empty() && size.area() != 0))
    throw ImagingError(ErrorCode::NoImage, QStringLiteral("colour plane %1 is missing").arg(index));
  if (plane->size() != size)
    throw ImagingError(ErrorCode::ImageOperation,
                       QStringLiteral("colour plane %1 is %2 x %3, plane 0 is %4 x %5")
                           .arg(index)
                           .arg(plane->cols)
                           .arg(plane->rows)
                           .arg(size.width)
                           .arg(size.height));
  if (plane->type() == kGreyType) return *plane;
  cv::Mat grey;
  cv::cvtColor(AsColor(*plane), grey, cv::COLOR_BGRA2GRAY);
  return grey;
}

}  // namespace

std::array<cv::Mat, 4> SplitPlanes(const cv::Mat& picture, PlaneMode mode) {
  const cv::Mat color = AsColor(picture);
  std::vector<cv::Mat> bgrx;
  if (color.empty()) {
    bgrx.assign(4, cv::Mat(color.size(), kGreyType));
  } else {
    cv::split(color, bgrx);
  }
  if (mode == PlaneMode::kBgr) return {bgrx[0], bgrx[1], bgrx[2], cv::Mat()};

  cv::Mat b, g, r;
  bgrx[0].convertTo(b, CV_32F);
  bgrx[1].convertTo(g, CV_32F);
  bgrx[2].convertTo(r, CV_32F);
  cv::Mat brightest = cv::max(cv::max(b, g), r);
  // A black pixel has no hue: its C, M, Y are 0. Dividing by max(brightest, 1) gives exactly that.
  cv::Mat divisor = cv::max(brightest, 1.0f);
  std::array<cv::Mat, 4> planes;
  const cv::Mat* channels[3] = {&r, &g, &b};
  for (int i = 0; i < 3; ++i) {
    cv::Mat value = (brightest - *channels[i]) * 255.0f;
    cv::divide(value, divisor, value);
    value.convertTo(planes[i], kGreyType);
  }
  cv::Mat black = 255.0f - brightest;
  black.convertTo(planes[3], kGreyType);
  return planes;
}

cv::Mat MergedPlanes(const std::array<const cv::Mat*, 4>& planes, PlaneMode mode) {
  if (planes[0] == nullptr)
    throw ImagingError(ErrorCode::NoImage, QStringLiteral("colour plane 0 is missing"));
  const cv::Size size = planes[0]->size();
  const int count = mode == PlaneMode::kBgr ? 3 : 4;
  std::vector<cv::Mat> grey;
  for (int i = 0; i < count; ++i) grey.push_back(Plane(planes[i], i, size));
  if (size.area() == 0) return cv::Mat(size, kColorType);

  cv::Mat out;
  if (mode == PlaneMode::kBgr) {
    grey.push_back(cv::Mat(size, kGreyType, cv::Scalar(255)));
    cv::merge(grey, out);
    return out;
  }
  cv::Mat brightest;
  grey[3].convertTo(brightest, CV_32F, -1.0, 255.0);
  std::vector<cv::Mat> bgrx(4);
  for (int i = 0; i < 3; ++i) {
    cv::Mat inkF;
    grey[i].convertTo(inkF, CV_32F, -1.0 / 255.0, 1.0);  // 1 - ink / 255
    cv::Mat channel = inkF.mul(brightest);
    channel.convertTo(bgrx[2 - i], kGreyType);
  }
  bgrx[3] = cv::Mat(size, kGreyType, cv::Scalar(255));
  cv::merge(bgrx, out);
  return out;
}

}  // namespace quorvin::imaging
