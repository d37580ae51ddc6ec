// Colour correction and post-processing of an acquired frame.

#include "ImagingError.h"
#include "Pipeline.h"

#include <algorithm>

namespace quorvin {

void ClampArea(int32_t& top, int32_t& left, int32_t& width, int32_t& height, int64_t W, int64_t H) {
  // A rectangle reaching above or left of the picture is cut at its edge first: cropping clips it there,
  // so without this the processed area would be put back shifted by the part cut off.
  if (top < 0) {
    height = static_cast<int32_t>(std::max<int64_t>(int64_t{height} + top, 0));
    top = 0;
  }
  if (left < 0) {
    width = static_cast<int32_t>(std::max<int64_t>(int64_t{width} + left, 0));
    left = 0;
  }
  if (top > H) top = static_cast<int32_t>(H);
  if (left > W) left = static_cast<int32_t>(W);
  if (int64_t{top} + height > H) height = static_cast<int32_t>(H - top);
  if (int64_t{left} + width > W) width = static_cast<int32_t>(W - left);
}

void ColorCorrect(ImagingControl& LEAD2, const Settings& settings) {
  LEAD2.SetSetting57(false);
  const int32_t model = settings.op3[Option::ColourModel];
  if (model == 2) return;
  const auto& rgb = settings.colorganma;
  if (model == 0 && rgb[0] == 100 && rgb[1] == 100 && rgb[2] == 100 && LEAD2.HasImage() &&
      imaging::IsOpaque(LEAD2.Picture())) {
    // Gamma 100 leaves a plane as it is, so splitting and merging would give back this very picture
    // (the default, on every capture): skip two passes over the frame.
    LEAD2.Repaint();
    return;
  }
  if (model == 0 || model == 1) {
    LEAD2.SeparatePlanes(model);
    const auto& values = model == 0 ? settings.colorganma : settings.colorganma2;
    for (int i = 0; i <= model + 2; ++i) {
      LEAD2.SetImageHandle(LEAD2.ColorPlane(i));
      LEAD2.Gamma(values[static_cast<size_t>(i)]);
      LEAD2.SetColorPlane(i, LEAD2.ImageHandle());
    }
    // Each plane is shown in turn; an absent fourth plane leaves the control empty until the merge.
    for (int k = 0; k <= 3; ++k) {
      LEAD2.SetImageHandle(LEAD2.ColorPlane(k));
      LEAD2.Repaint();
    }
    LEAD2.MergePlanes(model);
  }
  LEAD2.Repaint();
  for (int k = 0; k <= 3; ++k) LEAD2.SetColorPlane(k, 0);
}

void efct_lead2(ImagingControl& LEAD2, Settings& s) {
  if (!LEAD2.HasImage())
    throw ImagingError(ErrorCode::NoImage, QStringLiteral("efct_lead2: the working image is empty"));
  const auto W = static_cast<int64_t>(LEAD2.ImageWidth()), H = static_cast<int64_t>(LEAD2.ImageHeight());
  ClampArea(s.EfctATop, s.EfctALeft, s.EfctAWidth, s.EfctAHeight, W, H);
  LEAD2.Crop(static_cast<float>(s.EfctALeft), static_cast<float>(s.EfctATop),
             static_cast<float>(s.EfctAWidth), static_cast<float>(s.EfctAHeight));
  const auto on = [&s](Switch::Index i) { return s.ch1[i] == 1; };
  if (on(Switch::Invert)) LEAD2.Invert();
  if (on(Switch::Intensity)) LEAD2.Intensity();
  if (on(Switch::Gamma)) LEAD2.Gamma(s.efct[Effect::Gamma]);
  if (on(Switch::Median)) LEAD2.Median(s.efct[Effect::Median]);
  if (on(Switch::Average)) LEAD2.Average(s.efct[Effect::Average]);
  if (on(Switch::Oilify)) LEAD2.Oilify(s.efct[Effect::Oilify]);
  if (on(Switch::Mosaic)) LEAD2.Mosaic(s.efct[Effect::Mosaic]);
  if (on(Switch::Sharpen)) LEAD2.Sharpen(s.efct[Effect::Sharpen]);
}

void PostProcessing(ImagingControls& controls, Settings& s, const std::function<void()>& fitVideoWindow) {
  ImagingControl& frame = controls.LEAD1[0];
  ImagingControl& LEAD2 = controls.LEAD2;
  LEAD2.SetSetting56(1);
  if (s.PictureAngle != 0) frame.Rotate(s.PictureAngle, true, 0);
  if ((s.op3[Option::Turn] == 1 || s.op3[Option::Turn] == 3) && fitVideoWindow) fitVideoWindow();
  if (s.ch1[Switch::Flip] == 1) frame.Flip();
  if (s.ch1[Switch::Mirror] == 1) frame.Mirror();
  LEAD2.SetImageHandle(frame.ImageHandle());
  efct_lead2(LEAD2, s);
  // The area goes back whether or not an effect ran.
  frame.Combine(static_cast<float>(s.EfctALeft), static_cast<float>(s.EfctATop),
                static_cast<float>(s.EfctAWidth), static_cast<float>(s.EfctAHeight), LEAD2.ImageHandle(), 0,
                0, imaging::kCombineCopy);
  frame.Repaint();
  LEAD2.SetImageHandle(0);
}

}  // namespace quorvin
