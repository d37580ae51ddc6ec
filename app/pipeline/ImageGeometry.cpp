// Geometry of the imaging control: new pictures, resampling, cropping, turning, flipping, combining.

#include "ImageOps.h"
#include "ImagingError.h"

#include <QImage>
#include <QPainter>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <numbers>

namespace quorvin::imaging {

namespace {

// OpenCV's warp refuses pictures of 32767 pixels or more on a side; tiles keep every call below that.
constexpr int kWarpTile = 2048;

void CheckSize(int64_t width, int64_t height) {
  if (width < 1 || height < 1 || width * height > kMaxPicturePixels)
    throw ImagingError(ErrorCode::ImageOperation,
                       QStringLiteral("image size %1 x %2 is out of range (1 to %3 pixels)")
                           .arg(width)
                           .arg(height)
                           .arg(kMaxPicturePixels));
}

// warpAffine of the whole picture, done tile by tile over the output; each tile reads only the part of
// the source its corners map to.
void TiledWarp(const cv::Mat& src, cv::Mat& dst, const cv::Matx23d& m, cv::Size size,
               const cv::Scalar& fill) {
  dst.create(size, src.type());
  cv::Matx23d inverse;
  cv::invertAffineTransform(m, inverse);
  for (int ty = 0; ty < size.height; ty += kWarpTile) {
    for (int tx = 0; tx < size.width; tx += kWarpTile) {
      const cv::Rect tile = cv::Rect(tx, ty, kWarpTile, kWarpTile) & cv::Rect(cv::Point(), size);
      double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
      for (const cv::Point2d corner :
           {cv::Point2d(tile.x, tile.y), cv::Point2d(tile.br().x, tile.y), cv::Point2d(tile.x, tile.br().y),
            cv::Point2d(tile.br().x, tile.br().y)}) {
        const cv::Point2d at(inverse(0, 0) * corner.x + inverse(0, 1) * corner.y + inverse(0, 2),
                             inverse(1, 0) * corner.x + inverse(1, 1) * corner.y + inverse(1, 2));
        x0 = std::min(x0, at.x);
        y0 = std::min(y0, at.y);
        x1 = std::max(x1, at.x);
        y1 = std::max(y1, at.y);
      }
      cv::Mat out = dst(tile);
      // Two pixels of margin cover the bilinear neighbours of the tile's edge pixels.
      const cv::Rect reach(
          cv::Point(static_cast<int>(std::floor(x0)) - 2, static_cast<int>(std::floor(y0)) - 2),
          cv::Point(static_cast<int>(std::ceil(x1)) + 3, static_cast<int>(std::ceil(y1)) + 3));
      const cv::Rect read = reach & cv::Rect(0, 0, src.cols, src.rows);
      if (read.empty()) {
        out.setTo(fill);
        continue;
      }
      // The tile's own origin and the read part's offset folded into the matrix.
      cv::Matx23d local = m;
      local(0, 2) += m(0, 0) * read.x + m(0, 1) * read.y - tile.x;
      local(1, 2) += m(1, 0) * read.x + m(1, 1) * read.y - tile.y;
      cv::warpAffine(src(read), out, local, tile.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, fill);
    }
  }
}

cv::Mat SameType(const cv::Mat& src, int type) {
  if (src.type() == type) return src;
  if (type == kColorType) return AsColor(src);
  cv::Mat grey;
  cv::cvtColor(src, grey, cv::COLOR_BGRA2GRAY);
  return grey;
}

QImage WrapColor(cv::Mat& picture) {
  return QImage(picture.data, picture.cols, picture.rows, static_cast<qsizetype>(picture.step),
                QImage::Format_RGB32);
}

}  // namespace

cv::Mat BlankPicture(int width, int height) {
  CheckSize(width, height);
  return Filled(cv::Size(width, height), kColorType, cv::Scalar(0, 0, 0, 255));
}

cv::Mat Filled(cv::Size size, int type, const cv::Scalar& value) {
  cv::Mat picture(size, type);
  picture.setTo(value);
  return picture;
}

bool IsOpaque(const cv::Mat& picture) {
  if (picture.type() != kColorType) return false;
  // X is the top byte of each little-endian 32-bit pixel; ANDing a row together vectorises.
  for (int y = 0; y < picture.rows; ++y) {
    const auto* row = picture.ptr<uint32_t>(y);
    uint32_t all = 0xFFFFFFFFu;
    for (int x = 0; x < picture.cols; ++x) all &= row[x];
    if ((all >> 24) != 0xFFu) return false;
  }
  return true;
}

cv::Mat AsColor(const cv::Mat& picture) {
  if (picture.type() == kColorType) return picture;
  cv::Mat color;
  if (picture.empty()) return cv::Mat(picture.rows, picture.cols, kColorType);
  if (picture.type() == kGreyType) {
    cv::cvtColor(picture, color, cv::COLOR_GRAY2BGRA);
    return color;
  }
  if (picture.type() == CV_8UC3) {
    cv::cvtColor(picture, color, cv::COLOR_BGR2BGRA);
    return color;
  }
  throw ImagingError(ErrorCode::ImageOperation,
                     QStringLiteral("unsupported pixel type %1").arg(picture.type()));
}

cv::Scalar ScalarFromColorRef(int32_t colorRef, int type) {
  const double r = colorRef & 0xFF, g = (colorRef >> 8) & 0xFF, b = (colorRef >> 16) & 0xFF;
  if (type == kGreyType) return cv::Scalar(std::round(0.114 * b + 0.587 * g + 0.299 * r));
  return cv::Scalar(b, g, r, 255);
}

cv::Mat Resized(const cv::Mat& picture, int width, int height) {
  CheckSize(width, height);
  if (picture.empty())
    throw ImagingError(ErrorCode::ImageOperation, QStringLiteral("an empty image cannot be resized"));
  const cv::Size target(width, height);
  if (target == picture.size()) return picture;
  cv::Mat current = picture, out;
  if (width > picture.cols || height > picture.rows) {
    cv::resize(picture, out, target, 0, 0,
               width >= picture.cols && height >= picture.rows ? cv::INTER_CUBIC : cv::INTER_AREA);
    return out;
  }
  // Whole halvings take OpenCV's fast 2 x 2 path; odd sizes round down by one pixel at most.
  while (current.cols >= 2 * width && current.rows >= 2 * height) {
    cv::resize(current, out, cv::Size(current.cols / 2, current.rows / 2), 0, 0, cv::INTER_AREA);
    current = out;
  }
  if (current.size() == target) return current.data == picture.data ? current.clone() : current;
  cv::resize(current, out, target, 0, 0, cv::INTER_LINEAR);
  return out;
}

cv::Mat Cropped(const cv::Mat& picture, cv::Rect area) {
  const cv::Rect clipped = area & cv::Rect(0, 0, picture.cols, picture.rows);
  if (clipped.empty()) return cv::Mat(0, 0, picture.type());
  if (clipped.size() == picture.size()) return picture;
  return picture(clipped).clone();
}

cv::Size RotatedSize(cv::Size size, int64_t hundredths) {
  const int64_t turn = ((hundredths % 36000) + 36000) % 36000;
  if (turn % 9000 == 0) return (turn / 9000) % 2 == 0 ? size : cv::Size(size.height, size.width);
  const double radians = static_cast<double>(turn) / 100.0 * std::numbers::pi / 180.0;
  const double c = std::abs(std::cos(radians)), s = std::abs(std::sin(radians));
  // The epsilon keeps an exact fit from growing by a pixel through rounding noise.
  const auto side = [](double v) { return static_cast<int>(std::ceil(v - 1e-6)); };
  return cv::Size(side(size.width * c + size.height * s), side(size.width * s + size.height * c));
}

cv::Mat Rotated(const cv::Mat& picture, int64_t hundredths, int32_t fillColorRef) {
  if (picture.empty()) return picture.clone();
  const int64_t turn = ((hundredths % 36000) + 36000) % 36000;
  cv::Mat out;
  switch (turn) {
    case 0:
      return picture.clone();
    case 9000:
      cv::rotate(picture, out, cv::ROTATE_90_CLOCKWISE);
      return out;
    case 18000:
      cv::rotate(picture, out, cv::ROTATE_180);
      return out;
    case 27000:
      cv::rotate(picture, out, cv::ROTATE_90_COUNTERCLOCKWISE);
      return out;
    default:
      break;
  }
  const cv::Size canvas = RotatedSize(picture.size(), turn);
  CheckSize(canvas.width, canvas.height);
  const cv::Point2f centre((picture.cols - 1) / 2.0f, (picture.rows - 1) / 2.0f);
  // OpenCV turns counter-clockwise for positive angles on a top-down picture; ours turn clockwise.
  cv::Mat m = cv::getRotationMatrix2D(centre, -static_cast<double>(turn) / 100.0, 1.0);
  m.at<double>(0, 2) += (canvas.width - 1) / 2.0 - centre.x;
  m.at<double>(1, 2) += (canvas.height - 1) / 2.0 - centre.y;
  TiledWarp(picture, out, cv::Matx23d(m), canvas, ScalarFromColorRef(fillColorRef, picture.type()));
  return out;
}

void ApplyFlip(cv::Mat& picture) {
  if (picture.empty()) return;
  cv::Mat out;
  cv::flip(picture, out, 0);
  picture = out;
}

void ApplyMirror(cv::Mat& picture) {
  if (picture.empty()) return;
  cv::Mat out;
  cv::flip(picture, out, 1);
  picture = out;
}

void CombineInto(cv::Mat& dst, cv::Rect dstArea, const cv::Mat& srcPicture, cv::Point srcOrigin,
                 int32_t code) {
  if (code != kCombineMaskIntoPicture && code != kCombineMaskIntoLogo && code != kCombineLogoOver &&
      code != kCombineOr && code != kCombineCopy)
    throw ImagingError(ErrorCode::ImageOperation, QStringLiteral("unknown combine code %1").arg(code));
  const cv::Rect inDst = dstArea & cv::Rect(0, 0, dst.cols, dst.rows);
  if (inDst.empty()) return;
  const cv::Point shift = srcOrigin - dstArea.tl();
  const cv::Rect inSrc = (inDst + shift) & cv::Rect(0, 0, srcPicture.cols, srcPicture.rows);
  if (inSrc.empty()) return;
  const cv::Rect dstRect = inSrc - shift;
  cv::Mat target = dst(dstRect);

  if (code == kCombineMaskIntoPicture || code == kCombineMaskIntoLogo) {
    cv::Mat grey = srcPicture(inSrc);
    if (grey.type() != kGreyType) grey = SameType(grey, kGreyType);
    cv::Mat where;
    cv::compare(grey, 128, where, code == kCombineMaskIntoPicture ? cv::CMP_LT : cv::CMP_GE);
    target.setTo(ScalarFromColorRef(0, target.type()), where);
    return;
  }
  if (code == kCombineLogoOver && dst.type() == kColorType) {
    cv::Mat src = srcPicture(inSrc);
    if (src.type() != kColorType)
      src = AsColor(src);
    else
      src = src.clone();  // QImage needs its own rows; the source may be a view with gaps
    const QImage logo(src.data, src.cols, src.rows, static_cast<qsizetype>(src.step), QImage::Format_ARGB32);
    QImage canvas = WrapColor(dst);
    QPainter painter(&canvas);
    painter.drawImage(QPoint(dstRect.x, dstRect.y), logo);
    return;
  }
  const cv::Mat src = SameType(srcPicture(inSrc), target.type());
  if (code == kCombineOr) {
    cv::bitwise_or(target, src, target);
  } else {
    src.copyTo(target);
  }
}

}  // namespace quorvin::imaging
