#pragma once
// The pixel operations of the imaging control, as plain functions on OpenCV images.
//
// Pixel layout: a colour picture is CV_8UC4 in the order blue, green, red, X, where X is 255 for every
// picture pixel; that is exactly QImage::Format_RGB32 in memory, so a QPainter can draw straight into the
// pixels and libjpeg-turbo reads them as TJPF_BGRX without conversion. A loaded PNG may carry transparency
// in X; only Combine code 48 reads it. A greyscale picture (a colour plane) is CV_8UC1. Every operation
// accepts both, and an empty (0 x 0) picture, which it leaves as it is.
//
// The Apply functions put their result into the Mat they are given as new pixels and never write into the
// pixels it held before: a picture shared by two controls needs no copy before a filter runs on it.

#include <opencv2/core.hpp>

#include <array>
#include <cstdint>

namespace quorvin::imaging {

inline constexpr int kColorType = CV_8UC4;
inline constexpr int kGreyType = CV_8UC1;

// The most pixels any picture may have, a bound on memory rather than on a side: 2^29 pixels (536870912)
// are 2 GiB of colour picture. New pictures, turns and every loaded file (logo, mask) are held to it; a
// file is measured from its header before anything is decoded.
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 29;

// A blank (black) colour picture. Any side length; at most kMaxPicturePixels in all.
cv::Mat BlankPicture(int width, int height);
// Colour form of a picture: grey becomes B = G = R = grey, X = 255.
cv::Mat AsColor(const cv::Mat& picture);
// A new picture of one value. Not cv::Mat(size, type, scalar): that fills a non-zero value twelve bytes at
// a time, which took longer than colour-correcting a 1920 x 1080 frame.
cv::Mat Filled(cv::Size size, int type, const cv::Scalar& value);
// Whether every X of a colour picture is 255, as merging its planes would leave it.
bool IsOpaque(const cv::Mat& picture);
// Colour from a 0x00BBGGRR value, as a scalar for a picture of the given type.
cv::Scalar ScalarFromColorRef(int32_t colorRef, int type);

// --- Geometry ---
// Resampling. Shrinking halves by 2 x 2 area averaging while the target is at most half the size, then
// takes the rest (less than a halving) bilinearly: thumbnails without aliasing at a fraction of the cost of
// one large area pass. Enlarging is bicubic. The same size gives the picture itself.
cv::Mat Resized(const cv::Mat& picture, int width, int height);
// The rectangle clipped to the picture; an empty rectangle gives an empty picture, the whole picture
// gives the picture itself (shared).
cv::Mat Cropped(const cv::Mat& picture, cv::Rect area);
// Turns clockwise by hundredths of a degree onto a canvas grown to hold the whole turned picture; uncovered
// pixels take the fill colour. Quarter turns are exact (no resampling).
cv::Mat Rotated(const cv::Mat& picture, int64_t hundredths, int32_t fillColorRef);
// The canvas size of a turned picture: the turned corners' bounding box, rounded to whole pixels.
cv::Size RotatedSize(cv::Size size, int64_t hundredths);
void ApplyFlip(cv::Mat& picture);    // upside down
void ApplyMirror(cv::Mat& picture);  // left to right

// Combine codes: how each source pixel s meets the picture pixel p it lands on. A mask is set (white,
// grey >= 128) where the picture must stay and clear (black) where the logo shows. Codes 0, 1 and 256 in
// that order draw only the unmasked part of a logo: 0 blackens the picture where the logo will show, 1
// blackens the logo where it must not, 256 joins the two.
enum CombineCode : int32_t {
  kCombineMaskIntoPicture = 0,  // p = black where the mask is clear (grey < 128), else p stays
  kCombineMaskIntoLogo = 1,     // p = black where the mask is set (grey >= 128), else p stays
  kCombineLogoOver = 48,        // s drawn over p, honouring the source's own transparency (PNG alpha)
  kCombineOr = 256,             // p = p OR s, channel by channel
  kCombineCopy = 800,           // p = s
};
// Draws the source, from (srcLeft, srcTop), into dst's rectangle. The rectangle is clipped to both
// pictures; whatever falls outside either is left out. An empty rectangle changes nothing.
void CombineInto(cv::Mat& dst, cv::Rect dstArea, const cv::Mat& src, cv::Point srcOrigin, int32_t code);

// --- Filters (values as the effect settings pass them) ---
void ApplyInvert(cv::Mat& picture);
// Stretches the darkest picture value to 0 and the brightest to 255, one linear curve for all channels so
// colours keep their balance. A flat picture stays as it is.
void ApplyIntensity(cv::Mat& picture);
// Unsharp masking: p + (value / 1000) * (p - Gaussian3x3(p)). value -1000..1000, negative values soften.
void ApplySharpen(cv::Mat& picture, int value);
// Median of a value x value neighbourhood (rounded up to odd). value 1..255; 1 changes nothing.
void ApplyMedian(cv::Mat& picture, int value);
// Oil paint: each pixel takes the mean colour of the most frequent of 16 brightness classes in its
// value x value neighbourhood. value 1..64; 1 changes nothing.
void ApplyOilify(cv::Mat& picture, int value);
// Mosaic: value x value tiles from the top-left corner, each filled with its mean colour. value 1..4096.
void ApplyMosaic(cv::Mat& picture, int value);
// Box average over a value x value neighbourhood. value 1..255; 1 changes nothing.
void ApplyAverage(cv::Mat& picture, int value);
// Gamma: out = 255 * (in / 255) ^ (100 / value). value 1..10000; 100 is the identity, larger is brighter.
void ApplyGamma(cv::Mat& picture, int value);

// --- Colour planes ---
enum class PlaneMode : int32_t { kBgr = 0, kCmyk = 1 };
// Mode 0: planes blue, green, red. Mode 1: cyan, magenta, yellow, black with black = 255 - max(R, G, B) and
// each of C, M, Y = 255 * (max - channel) / max; merging the unchanged planes gives the picture back exactly.
std::array<cv::Mat, 4> SplitPlanes(const cv::Mat& picture, PlaneMode mode);
cv::Mat MergedPlanes(const std::array<const cv::Mat*, 4>& planes, PlaneMode mode);

}  // namespace quorvin::imaging
