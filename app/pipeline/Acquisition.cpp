#include "Acquisition.h"

#include "ErrorLog.h"
#include "ImagingError.h"
#include "Pipeline.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvin {
namespace {

constexpr int kTwipsPerPixel = 15;

// Runs one step of the scanner grab; a failure becomes a "TWAIN error" line and the grab goes on.
template <typename Step>
void TwainStep(const AcquisitionContext& ctx, Step&& step) {
  auto log = [&](ErrorCode code, const QString& what) {
    const QString source = ctx.controls.LEAD1[0].TwainSourceName();
    AppendErrorLog(
        QStringLiteral("TWAIN error"), code,
        (source.isEmpty() ? QStringLiteral("scanner") : QStringLiteral("scanner source ") + source) +
            QStringLiteral(": ") + what,
        *ctx.clock);
  };
  try {
    step();
  } catch (const ImagingError& e) {
    log(e.Code(), e.Message());
  } catch (const std::exception& e) {
    log(ErrorCode::Unknown, QString::fromLocal8Bit(e.what()));
  }
}

void CorrectColours(ImagingControls& c, const Settings& s) {
  c.LEAD2.SetImageHandle(c.LEAD1[0].ImageHandle());
  ColorCorrect(c.LEAD2, s);
  c.LEAD1[0].SetImageHandle(c.LEAD2.ImageHandle());
}

}  // namespace

int32_t ScaledSize(double size, double factor) {
  const double product = std::nearbyint(size * factor);  // the default rounding mode rounds halves to even
  if (!std::isfinite(product) || product < std::numeric_limits<int32_t>::min() ||
      product > std::numeric_limits<int32_t>::max())
    throw ImagingError(
        ErrorCode::ImageOperation,
        QStringLiteral("scaled size %1 x %2 is out of range").arg(size).arg(static_cast<double>(factor)));
  return static_cast<int32_t>(product);
}

void GrabVideoFrame(AcquisitionContext& ctx) {
  ImagingControl& frame = ctx.controls.LEAD1[0];
  frame.SetImageHandle(0);
  // A lost device reports no size until it is connected again; trying here, before the grab needs its
  // size, lets the cycle in which the camera returns grab normally.
  bool sized = false;
  if (ctx.video) {
    ctx.video->Reconnect();
    sized = ctx.video->VideoWidth() > 0 && ctx.video->VideoHeight() > 0;
  }
  // The container is kept at 15 twips per video pixel, so its size in pixels is the video size of the
  // previous grab (or of the last window fitting). Fitted while the device was gone, it has none.
  float width = frame.Width() / kTwipsPerPixel;
  float height = frame.Height() / kTwipsPerPixel;
  if (width < 1 || height < 1) {
    if (!sized)
      throw ImagingError(ErrorCode::NoDevice, QStringLiteral("no capture device and no frame size"));
    width = static_cast<float>(ctx.video->VideoWidth());
    height = static_cast<float>(ctx.video->VideoHeight());
  }
  frame.CreateImage(width, height, 24);
  frame.SetSetting56(1);
  if (!ctx.video) throw ImagingError(ErrorCode::NoDevice, QStringLiteral("no capture control"));
  // A gone camera leaves the blank frame, and the container keeps its last size for the next blank.
  if (!sized) throw ImagingError(ErrorCode::NoDevice, QStringLiteral("the capture device is gone"));
  frame.SetWidth(static_cast<float>(int64_t{ctx.video->VideoWidth()} * kTwipsPerPixel));
  frame.SetHeight(static_cast<float>(int64_t{ctx.video->VideoHeight()} * kTwipsPerPixel));
  const intptr_t dc = frame.GetImageDC();
  const bool painted = ctx.video->CopyDIB(dc);
  frame.ReleaseImageDC();
  if (!painted)
    throw ImagingError(ErrorCode::NoFrame, QStringLiteral("the capture device delivered no frame"));
}

void GrabTwainFrame(AcquisitionContext& ctx) {
  ImagingControl& frame = ctx.controls.LEAD1[0];
  TwainStep(ctx, [&] {
    const int32_t source = ctx.twainSource.value_or(ctx.settings.DevIndexTwain);
    const auto index = static_cast<int16_t>(std::clamp<int32_t>(source, -1, INT16_MAX));
    frame.SetTwainSourceName(frame.TwainSourceNameAt(index));
  });
  TwainStep(ctx, [&] { frame.SetTwainSetting86(9120); });
  TwainStep(ctx, [&] { frame.SetTwainSetting85(12160); });
  TwainStep(ctx, [&] { frame.SetTwainSetting81(2); });
  TwainStep(ctx, [&] { frame.SetTwainSetting82(-1); });
  TwainStep(ctx, [&] { frame.SetTwainSetting89(0); });
  TwainStep(ctx, [&] { frame.TwainAcquire(ctx.window); });
  TwainStep(ctx, [&] { ctx.controls.LEAD2.SetImageHandle(frame.ImageHandle()); });
  TwainStep(ctx, [&] { ColorCorrect(ctx.controls.LEAD2, ctx.settings); });
  TwainStep(ctx, [&] { frame.SetImageHandle(ctx.controls.LEAD2.ImageHandle()); });
  TwainStep(ctx, [&] { PostProcessing(ctx.controls, ctx.settings, ctx.fitVideoWindow); });
}

void AcquireFrame(AcquisitionContext& ctx) {
  const int32_t source = ctx.settings.op3[Option::Source];
  if (source != 0) {
    GrabVideoFrame(ctx);
    CorrectColours(ctx.controls, ctx.settings);
    // Any code but 0 grabs from the video device, but only 1 ("VFW") post-processes and fits the window.
    if (source != 1) return;
    PostProcessing(ctx.controls, ctx.settings, ctx.fitVideoWindow);
    if (ctx.fitVideoWindow) ctx.fitVideoWindow();
  } else {
    // The scanner grab has corrected the colours already; doing it again would square the gamma.
    GrabTwainFrame(ctx);
  }
}

}  // namespace quorvin
