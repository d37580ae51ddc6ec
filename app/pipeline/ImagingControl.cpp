#include "ImagingControl.h"

#include "ImageFiles.h"
#include "ImageRegistry.h"
#include "ImagingError.h"
#include "PixelPool.h"
#include "SaneSource.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace quorvin {

using namespace imaging;

namespace {

int64_t Whole(float value, const char* what) {
  if (!std::isfinite(value) || std::abs(value) > 1e15f)
    throw ImagingError(ErrorCode::ImageOperation,
                       QStringLiteral("%1 %2 is not a usable number").arg(what).arg(value));
  return std::llround(value);
}

int Side(float value, const char* what) {
  const int64_t side = Whole(value, what);
  if (side < 1 || side > (1 << 24))
    throw ImagingError(ErrorCode::ImageOperation,
                       QStringLiteral("%1 %2 is out of range").arg(what).arg(side));
  return static_cast<int>(side);
}

// Clips [start, start + length) to [0, limit); returns the clipped start and length (length 0 when apart).
std::pair<int, int> ClipSpan(int64_t start, int64_t length, int limit) {
  const int64_t from = std::max<int64_t>(start, 0),
                to = std::min<int64_t>(start + std::max<int64_t>(length, 0), limit);
  if (to <= from) return {0, 0};
  return {static_cast<int>(from), static_cast<int>(to - from)};
}

int Bounded(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, -(int64_t{1} << 30), int64_t{1} << 30));
}

[[noreturn]] void NoPicture(const char* operation) {
  throw ImagingError(ErrorCode::NoImage,
                     QStringLiteral("%1: the control holds no image").arg(QLatin1String(operation)));
}

cv::Mat Shared(int32_t handle, const char* operation) {
  const cv::Mat* found = LookUpImage(handle);
  if (found == nullptr)
    throw ImagingError(
        ErrorCode::NoImage,
        QStringLiteral("%1: no image has the handle %2").arg(QLatin1String(operation)).arg(handle));
  // Pixels are shared until either side changes them (see Editable); a lent picture is copied at once.
  return IsImageLent(handle) ? found->clone() : *found;
}

}  // namespace

ImagingControl::ImagingControl() {
  InstallPixelPool();
}

ImagingControl::~ImagingControl() {
  Release();
  for (int i = 0; i < 4; ++i) ReleasePlane(i);
}

int ImagingControl::BitsPerPixel() const {
  if (!HasImage()) return 0;
  return image_.type() == kGreyType ? 8 : 24;
}

void ImagingControl::Hold(cv::Mat picture) {
  if (picture.type() == CV_8UC3) picture = AsColor(picture);
  if (picture.type() != kColorType && picture.type() != kGreyType)
    throw ImagingError(ErrorCode::ImageOperation,
                       QStringLiteral("unsupported pixel type %1").arg(picture.type()));
  surface_.reset();
  if (handle_ != 0) SetImageLent(handle_, false);
  image_ = std::move(picture);
  if (handle_ == 0) handle_ = RegisterImage(&image_);
}

void ImagingControl::Release() {
  surface_.reset();
  UnregisterImage(handle_);
  handle_ = 0;
  image_ = cv::Mat();
}

cv::Mat& ImagingControl::Editable() {
  if (!HasImage()) NoPicture("image operation");
  if (image_.u != nullptr && image_.u->refcount > 1) image_ = image_.clone();
  return image_;
}

void ImagingControl::SetPicture(cv::Mat picture) {
  // Pixels the caller owns (a wrapped buffer) could vanish or change under us: keep a copy of those.
  if (picture.u == nullptr && !picture.empty()) picture = picture.clone();
  Hold(std::move(picture));
}

void ImagingControl::SetImageHandle(int32_t handle) {
  if (handle == handle_) return;
  if (handle == 0) {
    Release();
    return;
  }
  Hold(Shared(handle, "ImageHandle"));
}

void ImagingControl::CreateImage(float width, float height, int bits) {
  if (bits != 24 && bits != 8)
    throw ImagingError(ErrorCode::ImageOperation,
                       QStringLiteral("CreateImage: %1 bits per pixel (24 or 8)").arg(bits));
  cv::Mat blank = BlankPicture(Side(width, "width"), Side(height, "height"));
  if (bits == 8) blank = cv::Mat(blank.size(), kGreyType, cv::Scalar(0));
  Hold(std::move(blank));
}

intptr_t ImagingControl::GetImageDC() {
  if (!HasImage()) NoPicture("GetImageDC");
  if (image_.type() != kColorType) Hold(AsColor(image_));
  cv::Mat& pixels = Editable();
  surface_ = std::make_unique<QImage>(pixels.data, pixels.cols, pixels.rows,
                                      static_cast<qsizetype>(pixels.step), QImage::Format_RGB32);
  SetImageLent(handle_, true);
  return reinterpret_cast<intptr_t>(surface_.get());
}

void ImagingControl::ReleaseImageDC() {
  if (surface_ != nullptr && !surface_->isNull() && surface_->constBits() != image_.data) {
    // The surface left our pixels (something detached it before painting): take its pixels back.
    const QImage painted = surface_->convertToFormat(QImage::Format_RGB32);
    const cv::Mat view(painted.height(), painted.width(), kColorType, const_cast<uchar*>(painted.constBits()),
                       static_cast<size_t>(painted.bytesPerLine()));
    Hold(view.clone());
  }
  surface_.reset();
  if (handle_ != 0) SetImageLent(handle_, false);
}

void ImagingControl::LoadImage(const QString& file, int bits, int /*page*/, int /*pages*/) {
  if (bits != 24 && bits != 8)
    throw ImagingError(ErrorCode::ImageLoad,
                       QStringLiteral("LoadImage: %1 bits per pixel (24 or 8)").arg(bits));
  cv::Mat picture = LoadPicture(file);
  if (bits == 8) cv::cvtColor(picture, picture, cv::COLOR_BGRA2GRAY);
  Hold(std::move(picture));
}

void ImagingControl::SaveImage(const QString& file, int format, int bits, int quality, bool multiPage) {
  if (!HasImage()) NoPicture("SaveImage");
  if (format != kFormatJpeg)
    throw ImagingError(ErrorCode::JpegEncode,
                       QStringLiteral("SaveImage: file format %1 is not written (10 = JPEG)").arg(format));
  if (multiPage)
    throw ImagingError(ErrorCode::JpegEncode, QStringLiteral("SaveImage: JPEG files hold one page"));
  SaveJpeg(image_, file, bits, quality);
}

void ImagingControl::Resize(float width, float height, int /*flags*/) {
  if (!HasImage()) NoPicture("Resize");
  Hold(Resized(image_, Side(width, "width"), Side(height, "height")));
}

void ImagingControl::Crop(float left, float top, float width, float height) {
  if (!HasImage()) NoPicture("Crop");
  const auto [x, w] = ClipSpan(Whole(left, "left"), Whole(width, "width"), image_.cols);
  const auto [y, h] = ClipSpan(Whole(top, "top"), Whole(height, "height"), image_.rows);
  Hold(Cropped(image_, cv::Rect(x, y, w, h)));
}

void ImagingControl::Combine(float dstLeft, float dstTop, float dstWidth, float dstHeight, int32_t srcHandle,
                             float srcLeft, float srcTop, int32_t op) {
  if (!HasImage()) NoPicture("Combine");
  cv::Mat src = Shared(srcHandle, "Combine");
  const int64_t l = Whole(dstLeft, "left"), t = Whole(dstTop, "top");
  const auto [x, w] = ClipSpan(l, Whole(dstWidth, "width"), image_.cols);
  const auto [y, h] = ClipSpan(t, Whole(dstHeight, "height"), image_.rows);
  const bool wholeCopy = op == kCombineCopy && l == 0 && t == 0 && w == image_.cols && h == image_.rows &&
                         Whole(srcLeft, "source left") == 0 && Whole(srcTop, "source top") == 0 &&
                         src.size() == image_.size() && src.type() == image_.type();
  if (wholeCopy) {
    // A copy over the whole picture is the source itself: share its pixels instead of copying them.
    Hold(std::move(src));
    return;
  }
  cv::Mat& dst = Editable();
  if (src.data == dst.data) src = src.clone();
  if (w == 0 || h == 0) {
    CombineInto(dst, cv::Rect(), src, cv::Point(), op);  // still rejects an unknown code
    return;
  }
  const cv::Point origin(Bounded(Whole(srcLeft, "source left") + (x - l)),
                         Bounded(Whole(srcTop, "source top") + (y - t)));
  CombineInto(dst, cv::Rect(x, y, w, h), src, origin, op);
}

void ImagingControl::Rotate(int32_t angle, bool resize, int32_t fillColor) {
  if (!HasImage()) NoPicture("Rotate");
  cv::Mat turned = Rotated(image_, angle, fillColor);
  if (!resize && turned.size() != image_.size()) {
    // Without growing, the picture keeps its size and the turned picture is cut round its centre.
    cv::Mat canvas(image_.size(), image_.type(), ScalarFromColorRef(fillColor, image_.type()));
    const cv::Rect from((turned.cols - canvas.cols) / 2, (turned.rows - canvas.rows) / 2, canvas.cols,
                        canvas.rows);
    const cv::Rect within = from & cv::Rect(0, 0, turned.cols, turned.rows);
    turned(within).copyTo(canvas(within - from.tl()));
    turned = canvas;
  }
  Hold(std::move(turned));
}

template <typename Operation>
void ImagingControl::Filter(const char* name, Operation&& operation) {
  if (!HasImage()) NoPicture(name);
  // The operation writes new pixels, so a picture shared with another control needs no copy first.
  cv::Mat picture = image_;
  operation(picture);
  if (picture.data != image_.data || picture.size() != image_.size()) Hold(std::move(picture));
}

void ImagingControl::Flip() {
  Filter("Flip", [](cv::Mat& p) { ApplyFlip(p); });
}
void ImagingControl::Mirror() {
  Filter("Mirror", [](cv::Mat& p) { ApplyMirror(p); });
}
void ImagingControl::Invert() {
  Filter("Invert", [](cv::Mat& p) { ApplyInvert(p); });
}
void ImagingControl::Intensity() {
  Filter("Intensity", [](cv::Mat& p) { ApplyIntensity(p); });
}
void ImagingControl::Sharpen(int value) {
  Filter("Sharpen", [value](cv::Mat& p) { ApplySharpen(p, value); });
}
void ImagingControl::Median(int value) {
  Filter("Median", [value](cv::Mat& p) { ApplyMedian(p, value); });
}
void ImagingControl::Oilify(int value) {
  Filter("Oilify", [value](cv::Mat& p) { ApplyOilify(p, value); });
}
void ImagingControl::Mosaic(int value) {
  Filter("Mosaic", [value](cv::Mat& p) { ApplyMosaic(p, value); });
}
void ImagingControl::Average(int value) {
  Filter("Average", [value](cv::Mat& p) { ApplyAverage(p, value); });
}
void ImagingControl::Gamma(int value) {
  Filter("Gamma", [value](cv::Mat& p) { ApplyGamma(p, value); });
}

void ImagingControl::SeparatePlanes(int32_t mode) {
  if (mode != 0 && mode != 1)
    throw ImagingError(ErrorCode::ImageOperation,
                       QStringLiteral("SeparatePlanes: mode %1 (0 or 1)").arg(mode));
  if (!HasImage()) NoPicture("SeparatePlanes");
  std::array<cv::Mat, 4> planes = SplitPlanes(image_, static_cast<PlaneMode>(mode));
  for (int i = 0; i < 4; ++i) {
    ReleasePlane(i);
    if (i < 3 || mode == 1) {
      planes_[i] = std::move(planes[i]);
      planeHandles_[i] = RegisterImage(&planes_[i]);
    }
  }
}

void ImagingControl::MergePlanes(int32_t mode) {
  if (mode != 0 && mode != 1)
    throw ImagingError(ErrorCode::ImageOperation, QStringLiteral("MergePlanes: mode %1 (0 or 1)").arg(mode));
  std::array<const cv::Mat*, 4> planes{};
  for (int i = 0; i < 4; ++i) planes[i] = planeHandles_[i] != 0 ? &planes_[i] : nullptr;
  Hold(MergedPlanes(planes, static_cast<PlaneMode>(mode)));
}

int32_t ImagingControl::ColorPlane(int index) const {
  if (index < 0 || index > 3)
    throw ImagingError(ErrorCode::ImageOperation, QStringLiteral("ColorPlane: index %1 (0..3)").arg(index));
  return planeHandles_[index];
}

void ImagingControl::SetColorPlane(int index, int32_t handle) {
  if (ColorPlane(index) == handle) return;
  if (handle == 0) {
    ReleasePlane(index);
    return;
  }
  cv::Mat picture = Shared(handle, "ColorPlane");
  if (planeHandles_[index] == 0) planeHandles_[index] = RegisterImage(&planes_[index]);
  planes_[index] = std::move(picture);
}

void ImagingControl::ReleasePlane(int index) {
  UnregisterImage(planeHandles_[index]);
  planeHandles_[index] = 0;
  planes_[index] = cv::Mat();
}

void ImagingControl::SetTextPosition(int32_t code) {
  if (code < 0 || code >= kTextPositionCount)
    throw ImagingError(ErrorCode::ImageOperation,
                       QStringLiteral("TextPosition %1 is out of range 0..8").arg(code));
  text_.position = code;
}

void ImagingControl::SetTextStyle(int32_t code) {
  if (code < 0 || code >= static_cast<int32_t>(kTextStyles.size()))
    throw ImagingError(
        ErrorCode::ImageOperation,
        QStringLiteral("TextStyle %1 is out of range 0..%2").arg(code).arg(kTextStyles.size() - 1));
  text_.style = code;
}

void ImagingControl::SetFontSize(double points) {
  if (!(points > 0 && points <= 2000))
    throw ImagingError(ErrorCode::ImageOperation, QStringLiteral("font size %1 is out of range").arg(points));
  text_.fontSize = points;
}

void ImagingControl::DrawText(const QString& text, int32_t /*flags*/) {
  cv::Mat& picture = Editable();
  DrawTextOn(picture, text_, text);
}

void ImagingControl::Repaint() {
  if (repaint_) repaint_();
}

void ImagingControl::SetSelectionRect(float left, float top, float width, float height) {
  selection_ = QRectF(left, top, width, height);
  if (selectionVisible_) Repaint();
}

void ImagingControl::SetSelectionVisible(bool visible) {
  selectionVisible_ = visible;
  Repaint();
}

int16_t ImagingControl::TwainInit(intptr_t /*window*/) {
  return SaneSource::Init() ? 0 : 1;
}

int ImagingControl::TwainSourceCount() const {
  return static_cast<int>(SaneSource::Devices().size());
}

QString ImagingControl::TwainSourceNameAt(int index) const {
  const QStringList& devices = SaneSource::Devices();
  if (index < 0 || index >= devices.size())
    throw ImagingError(ErrorCode::TwainNoSource, QStringLiteral("no TWAIN source number %1").arg(index));
  return devices[index];
}

void ImagingControl::SetTwainSourceName(const QString& name) {
  if (!SaneSource::Devices().contains(name))
    throw ImagingError(ErrorCode::TwainNoSource, QStringLiteral("no TWAIN source named %1").arg(name));
  twainSource_ = name;
}

int16_t ImagingControl::TwainAcquire(intptr_t /*window*/) {
  if (twainSource_.isEmpty())
    throw ImagingError(ErrorCode::TwainNoSource, QStringLiteral("no TWAIN source selected"));
  Hold(SaneSource::Acquire(twainSource_, twainDpi_));
  return 0;
}

int32_t ImagingControl::FixedSetting(int dispid) const {
  const auto it = fixed_.find(dispid);
  return it == fixed_.end() ? -1 : it->second;
}

}  // namespace quorvin
