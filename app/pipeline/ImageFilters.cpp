// Filters of the imaging control. Every curve and kernel is stated in ImageOps.h.

#include "ImageOps.h"
#include "ImagingError.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace quorvin::imaging {

namespace {

void CheckValue(const char* name, int value, int low, int high) {
  if (value < low || value > high)
    throw ImagingError(ErrorCode::ImageOperation, QStringLiteral("%1 value %2 is out of range %3..%4")
                                                      .arg(QLatin1String(name))
                                                      .arg(value)
                                                      .arg(low)
                                                      .arg(high));
}

// A lookup table for the picture's type that leaves the X channel of colour pixels alone. A curve that keeps
// 255 at 255 runs over all four channels at once, much faster than OpenCV's four-channel table: X is 255 in
// every frame pixel (only a loaded logo carries other X values, and no filter runs on the logo).
void ApplyCurve(cv::Mat& picture, const cv::Mat& curve) {
  cv::Mat out;
  if (picture.type() == kGreyType || curve.at<uchar>(255) == 255) {
    cv::LUT(picture.reshape(1), curve, out);
    picture = out.reshape(picture.channels());
    return;
  }
  cv::Mat identity(1, 256, CV_8U);
  for (int i = 0; i < 256; ++i) identity.at<uchar>(i) = static_cast<uchar>(i);
  cv::Mat lut;
  cv::merge(std::vector<cv::Mat>{curve, curve, curve, identity}, lut);
  cv::LUT(picture, lut, out);
  picture = out;
}

cv::Mat Grey(const cv::Mat& picture) {
  if (picture.type() == kGreyType) return picture;
  cv::Mat grey;
  cv::cvtColor(picture, grey, cv::COLOR_BGRA2GRAY);
  return grey;
}

// Oil paint of rows [top, bottom) of a picture, reading the rows around them as well.
void OilifyRows(const cv::Mat& source, cv::Mat& out, int top, int bottom, int size) {
  const int margin = size;
  const int readTop = std::max(0, top - margin), readBottom = std::min(source.rows, bottom + margin);
  const cv::Mat band = source.rowRange(readTop, readBottom);
  cv::Mat classes;
  cv::Mat grey = Grey(band);
  grey.convertTo(classes, CV_8U, 1.0 / 16.0, -0.49);  // 16 brightness classes 0..15
  cv::Mat bandF;
  band.convertTo(bandF, CV_32F);
  const int channels = band.channels();
  cv::Mat bestCount(band.size(), CV_32F, cv::Scalar(-1)),
      bestSum(band.size(), bandF.type(), cv::Scalar::all(0));
  cv::Mat inClass, count, masked, sum, better;
  for (int c = 0; c < 16; ++c) {
    cv::compare(classes, c, inClass, cv::CMP_EQ);
    if (cv::countNonZero(inClass) == 0) continue;
    cv::Mat inClassF;
    inClass.convertTo(inClassF, CV_32F, 1.0 / 255.0);
    cv::boxFilter(inClassF, count, CV_32F, cv::Size(size, size), cv::Point(-1, -1), false);
    masked = cv::Mat::zeros(bandF.size(), bandF.type());
    bandF.copyTo(masked, inClass);
    cv::boxFilter(masked, sum, CV_32F, cv::Size(size, size), cv::Point(-1, -1), false);
    cv::compare(count, bestCount, better, cv::CMP_GT);
    count.copyTo(bestCount, better);
    sum.copyTo(bestSum, better);
  }
  cv::Mat divisor;
  if (channels == 1) {
    divisor = bestCount;
  } else {
    cv::merge(std::vector<cv::Mat>(channels, bestCount), divisor);
  }
  cv::Mat mean;
  cv::divide(bestSum, divisor, mean);
  cv::Mat result;
  mean.convertTo(result, source.type());
  result.rowRange(top - readTop, bottom - readTop).copyTo(out.rowRange(top, bottom));
}

}  // namespace

void ApplyInvert(cv::Mat& picture) {
  if (picture.empty()) return;
  cv::Mat out;
  cv::bitwise_xor(picture, cv::Scalar(255, 255, 255, 0), out);
  picture = out;
}

void ApplyIntensity(cv::Mat& picture) {
  if (picture.empty()) return;
  cv::Mat values = picture;
  if (picture.type() == kColorType) cv::cvtColor(picture, values, cv::COLOR_BGRA2BGR);
  double low = 0, high = 0;
  cv::minMaxLoc(values.reshape(1), &low, &high);
  if (high <= low || (low == 0 && high == 255)) return;
  cv::Mat curve(1, 256, CV_8U);
  for (int i = 0; i < 256; ++i)
    curve.at<uchar>(i) = cv::saturate_cast<uchar>(std::round((i - low) * 255.0 / (high - low)));
  ApplyCurve(picture, curve);
}

void ApplySharpen(cv::Mat& picture, int value) {
  CheckValue("Sharpen", value, -1000, 1000);
  if (picture.empty() || value == 0) return;
  cv::Mat blurred;
  cv::GaussianBlur(picture, blurred, cv::Size(3, 3), 0);
  const double amount = value / 1000.0;
  // Into the blurred copy, pixel by pixel: one new frame instead of two.
  cv::addWeighted(picture, 1.0 + amount, blurred, -amount, 0.0, blurred);
  picture = blurred;
}

void ApplyMedian(cv::Mat& picture, int value) {
  CheckValue("Median", value, 1, 255);
  if (picture.empty() || value == 1) return;
  cv::Mat out;
  cv::medianBlur(picture, out, value | 1);
  picture = out;
}

void ApplyOilify(cv::Mat& picture, int value) {
  CheckValue("Oilify", value, 1, 64);
  if (picture.empty() || value == 1) return;
  cv::Mat out(picture.size(), picture.type());
  // Bands keep the float work buffers small, even for an 8K frame.
  constexpr int kBand = 256;
  for (int top = 0; top < picture.rows; top += kBand)
    OilifyRows(picture, out, top, std::min(picture.rows, top + kBand), value);
  picture = out;
}

void ApplyMosaic(cv::Mat& picture, int value) {
  CheckValue("Mosaic", value, 1, 4096);
  if (picture.empty() || value == 1) return;
  picture = picture.clone();  // tiles are filled in place
  const int fullCols = picture.cols / value, fullRows = picture.rows / value;
  if (fullCols > 0 && fullRows > 0) {
    // Whole tiles: area shrinking by a whole factor is the tile mean, exact nearest enlarging repeats it.
    cv::Mat body = picture(cv::Rect(0, 0, fullCols * value, fullRows * value));
    cv::Mat small;
    cv::resize(body, small, cv::Size(fullCols, fullRows), 0, 0, cv::INTER_AREA);
    cv::resize(small, body, body.size(), 0, 0, cv::INTER_NEAREST_EXACT);
  }
  // Part tiles along the right and bottom edges.
  const auto fillTile = [&picture](cv::Rect tile) {
    cv::Mat area = picture(tile);
    area.setTo(cv::mean(area));
  };
  for (int y = 0; y < picture.rows; y += value) {
    for (int x = (y < fullRows * value ? fullCols * value : 0); x < picture.cols; x += value)
      fillTile(cv::Rect(x, y, value, value) & cv::Rect(0, 0, picture.cols, picture.rows));
  }
}

void ApplyAverage(cv::Mat& picture, int value) {
  CheckValue("Average", value, 1, 255);
  if (picture.empty() || value == 1) return;
  cv::Mat out;
  cv::blur(picture, out, cv::Size(value, value));
  picture = out;
}

void ApplyGamma(cv::Mat& picture, int value) {
  CheckValue("Gamma", value, 1, 10000);
  if (picture.empty() || value == 100) return;
  cv::Mat curve(1, 256, CV_8U);
  const double exponent = 100.0 / value;
  for (int i = 0; i < 256; ++i)
    curve.at<uchar>(i) = cv::saturate_cast<uchar>(std::round(255.0 * std::pow(i / 255.0, exponent)));
  ApplyCurve(picture, curve);
}

}  // namespace quorvin::imaging
