// The time stamp and the logo mark on an output picture.

#include "ImagingError.h"
#include "Pipeline.h"
#include "SettingsRules.h"
#include "StampText.h"

#include <QFileInfo>

namespace quorvin {

namespace {

// The stamp's contrast colours flip at this plain number (&H707071): darker-looking texts get white.
constexpr int32_t kContrastThreshold = 7368817;

// numerator / 2 to the nearest whole number, halves to the even one.
int64_t HalfToEven(int64_t numerator) {
  const int64_t q = numerator >= 0 ? numerator / 2 : -((-numerator + 1) / 2);  // floor
  if (numerator % 2 == 0) return q;
  return q % 2 == 0 ? q : q + 1;
}

bool FileExists(const QString& name) {
  return !name.isEmpty() && QFileInfo(name).isFile();
}

int32_t ToInt32(int64_t v, const char* what) {
  if (v < INT32_MIN || v > INT32_MAX)
    throw ImagingError(ErrorCode::ImageOperation,
                       QStringLiteral("%1 %2 is beyond the 32-bit range").arg(what).arg(v));
  return static_cast<int32_t>(v);
}

}  // namespace

void PrintTimeStamp2(ImagingControl& LEAD2, Settings& s, const NamingState& naming, const Clock& clock) {
  if (!LEAD2.HasImage())
    throw ImagingError(ErrorCode::NoImage, QStringLiteral("PrintTimeStamp2: the working image is empty"));
  ClampArea(s.StampAreaTop, s.StampAreaLeft, s.StampAreaWidth, s.StampAreaHeight,
            static_cast<int64_t>(LEAD2.ImageWidth()), static_cast<int64_t>(LEAD2.ImageHeight()));
  const QString text = ComposeStampText(s, naming, clock);

  LEAD2.SetTextLeft(s.StampAreaLeft);
  LEAD2.SetTextTop(s.StampAreaTop);
  LEAD2.SetTextWidth(s.StampAreaWidth);
  LEAD2.SetTextHeight(s.StampAreaHeight);
  LEAD2.SetTextPosition(StampTextPlacement(s));
  LEAD2.SetFontName(s.SFontName);
  LEAD2.SetFontSize(StampFontSize(s));
  LEAD2.SetTextColor(s.stampTextColor);
  LEAD2.SetTextSetting236(true);
  LEAD2.SetTextStyle(StampTextStyle(s));
  const int32_t contrast = s.stampTextColor < kContrastThreshold ? 0xFFFFFF : 0;
  LEAD2.SetTextAuxColor2(contrast);
  LEAD2.SetTextAuxColor1(contrast);
  LEAD2.SetTextSetting210(16);
  LEAD2.SetTextSetting211(16);
  LEAD2.SetTextSetting164(true);
  LEAD2.DrawText(text, 0);
  LEAD2.Repaint();
}

QPoint LogoPosition(int64_t W, int64_t H, int64_t w, int64_t h, const Settings& s) {
  const int32_t place = LogoPlacement(s);
  const int64_t x = HalfToEven((W - w) * (place / 3));
  const int64_t y = HalfToEven((H - h) * (place % 3));
  return QPoint(ToInt32(x + s.MarkPosLeft, "logo left"), ToInt32(y + s.MarkPosTop, "logo top"));
}

void LogoOverlay(ImagingControls& controls, ImagingControl& picture, const Settings& s) {
  if (!FileExists(s.LogomarkFilename)) return;
  const int32_t w = controls.logoWidth, h = controls.logoHeight;
  const QPoint at = LogoPosition(static_cast<int64_t>(picture.ImageWidth()),
                                 static_cast<int64_t>(picture.ImageHeight()), w, h, s);
  const auto X = static_cast<float>(at.x()), Y = static_cast<float>(at.y());
  const auto fw = static_cast<float>(w), fh = static_cast<float>(h);
  ImagingControl& logo = controls.LEAD1[3];
  ImagingControl& mask = controls.LEAD1[4];
  const bool masked = FileExists(s.LogomarkMaskFilename) && s.ch1[Switch::UseLogoMask] == 1;
  // Say which file is missing rather than which handle.
  if (!logo.HasImage())
    throw ImagingError(ErrorCode::NoImage,
                       QStringLiteral("the logo %1 is not loaded").arg(s.LogomarkFilename));
  if (masked && !mask.HasImage())
    throw ImagingError(ErrorCode::NoImage,
                       QStringLiteral("the logo mask %1 is not loaded").arg(s.LogomarkMaskFilename));
  if (masked) {
    picture.Combine(X, Y, fw, fh, mask.ImageHandle(), 0, 0, imaging::kCombineMaskIntoPicture);
    logo.Combine(0, 0, fw, fh, mask.ImageHandle(), 0, 0, imaging::kCombineMaskIntoLogo);
    picture.Combine(X, Y, fw, fh, logo.ImageHandle(), 0, 0, imaging::kCombineOr);
  } else {
    picture.Combine(X, Y, fw, fh, logo.ImageHandle(), 0, 0, imaging::kCombineLogoOver);
  }
  picture.Repaint();
}

void LoadLogo(ImagingControls& controls, const QString& file) {
  controls.LEAD1[3].LoadImage(file, 24, 0, 1);
  controls.logoWidth = static_cast<int32_t>(controls.LEAD1[3].ImageWidth());
  controls.logoHeight = static_cast<int32_t>(controls.LEAD1[3].ImageHeight());
}

void ApplyLogoSettings(ImagingControls& controls, Settings& s) {
  DropMissingLogoNames(s);
  // The mask is applied even when the logo file cannot be read; the first failure is reported afterwards.
  std::optional<ImagingError> failure;
  if (FileExists(s.LogomarkFilename)) {
    try {
      LoadLogo(controls, s.LogomarkFilename);
    } catch (const ImagingError& e) {
      controls.LEAD1[3].SetImageHandle(0);
      failure = e;
    }
  }
  if (FileExists(s.LogomarkMaskFilename)) {
    try {
      controls.LEAD1[4].LoadImage(s.LogomarkMaskFilename, 24, 0, 1);
    } catch (const ImagingError& e) {
      controls.LEAD1[4].SetImageHandle(0);
      if (!failure) failure = e;
    }
  }
  if (failure) throw *failure;
}

}  // namespace quorvin
