#pragma once
// Reading pictures (JPEG, BMP, PNG) and writing JPEG files.

#include <QString>

#include <opencv2/core.hpp>

namespace quorvin::imaging {

inline constexpr int kFormatJpeg = 10;

// The libjpeg quality (1..100) for a quality factor 2 (best) .. 255 (smallest file). Factors 2..90 give
// 102 - factor (25 -> 77, the usual web quality); 90..255 fall on a straight line from 12 down to 1. The
// curve never rises, so a larger factor never gives a better picture.
int JpegQualityFromFactor(int factor);

// Loads a JPEG (through libjpeg-turbo), BMP or PNG file as a colour picture. PNG transparency is kept in the
// X channel for the logo combine. Throws ImagingError with a reason when the file cannot be read.
cv::Mat LoadPicture(const QString& path);

// Writes the picture as a JPEG file: bits 24 colour (4:2:0), 8 one-component greyscale. The file is written
// beside its final name and renamed into place only when complete; on failure the old file stays.
void SaveJpeg(const cv::Mat& picture, const QString& path, int bits, int qualityFactor);

// JPEG bytes of a picture, as SaveJpeg writes them.
QByteArray EncodeJpeg(const cv::Mat& picture, int bits, int qualityFactor);

}  // namespace quorvin::imaging
