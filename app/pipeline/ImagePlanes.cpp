// Colour planes: blue, green, red, or cyan, magenta, yellow, black.

#include "ImageOps.h"
#include "ImagingError.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
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

// OpenCV has no CMYK conversion; two 256 x 256 tables make it one pass over the pixels.
// Ink[m * 256 + v]: the ink of a channel value v in a pixel whose brightest channel is m.
const std::vector<uchar>& InkTable() {
  static const std::vector<uchar> table = [] {
    std::vector<uchar> t(256 * 256, 0);
    for (int m = 1; m < 256; ++m)
      for (int v = 0; v <= m; ++v) t[m * 256 + v] = cv::saturate_cast<uchar>(cvRound(255.0 * (m - v) / m));
    return t;
  }();
  return table;
}

// Light[m * 256 + ink]: the channel value back from its ink and the brightest channel m = 255 - black.
const std::vector<uchar>& LightTable() {
  static const std::vector<uchar> table = [] {
    std::vector<uchar> t(256 * 256);
    for (int m = 0; m < 256; ++m)
      for (int ink = 0; ink < 256; ++ink)
        t[m * 256 + ink] = cv::saturate_cast<uchar>(cvRound(m * (255.0 - ink) / 255.0));
    return t;
  }();
  return table;
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

  std::array<cv::Mat, 4> planes;
  for (cv::Mat& plane : planes) plane.create(color.size(), kGreyType);
  const uchar* ink = InkTable().data();
  for (int y = 0; y < color.rows; ++y) {
    const auto* px = color.ptr<cv::Vec4b>(y);
    uchar *c = planes[0].ptr(y), *m = planes[1].ptr(y), *ye = planes[2].ptr(y), *k = planes[3].ptr(y);
    for (int x = 0; x < color.cols; ++x) {
      const int b = px[x][0], g = px[x][1], r = px[x][2];
      const int brightest = std::max({b, g, r});
      const uchar* row = ink + brightest * 256;  // a black pixel (brightest 0) has no ink but black
      c[x] = row[r];
      m[x] = row[g];
      ye[x] = row[b];
      k[x] = static_cast<uchar>(255 - brightest);
    }
  }
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
    grey.push_back(Filled(size, kGreyType, cv::Scalar(255)));
    cv::merge(grey, out);
    return out;
  }
  out.create(size, kColorType);
  const uchar* light = LightTable().data();
  for (int y = 0; y < size.height; ++y) {
    const uchar *c = grey[0].ptr(y), *m = grey[1].ptr(y), *ye = grey[2].ptr(y), *k = grey[3].ptr(y);
    auto* px = out.ptr<cv::Vec4b>(y);
    for (int x = 0; x < size.width; ++x) {
      const uchar* row = light + (255 - k[x]) * 256;
      px[x] = cv::Vec4b(row[ye[x]], row[m[x]], row[c[x]], 255);
    }
  }
  return out;
}

}  // namespace quorvin::imaging
