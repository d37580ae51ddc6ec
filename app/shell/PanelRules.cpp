#include "PanelRules.h"

#include <algorithm>
#include <cmath>

namespace quorvin {

QString* Text1Field(Settings& s, int index) {
  switch (index) {
    case 0:
      return &s.histDirHead2[0];
    case 1:
      return &s.histDirFoot2[0];
    case 2:
      return &s.HiFileHead[0];
    case 3:
      return &s.HiFileFoot[0];
    case 4:
      return &s.histDirFoot2[1];
    case 5:
      return &s.HiFileFoot[1];
    case 6:
      return &s.LiFiName[Output::LiveThumbnail];
    case 7:
      return &s.LiFiName[Output::HalfImage];
    case 8:
      return &s.LiFiName[Output::LiveImage];
    case 11:
      return &s.histDirFoot1[1];
    case 12:
      return &s.histDirFoot1[0];
    case 13:
      return &s.histDirHead1[0];
    case 17:
      return &s.histPath;
    case 18:
      return &s.NetworkPath;
    default:
      return nullptr;
  }
}

QString Text1EmptyDefault(const Settings& s, int index) {
  switch (index) {
    case 5:
      return QStringLiteral("_");
    case 6:
      return QStringLiteral("Tovra_.jpg");
    case 7:
      return QStringLiteral("Tovra_50.jpg");
    case 8:
      return QStringLiteral("Tovra.jpg");
    case 17:
      return s.NetworkPath;
    default:
      return {};
  }
}

QString* Text2Field(Settings& s, int index) {
  switch (index) {
    case 0:
      return &s.stampHead;
    case 1:
      return &s.stampFoot;
    case 2:
      return &s.stampDateSep;
    case 3:
      return &s.stampTimeSep;
    case 4:
      return &s.LogomarkFilename;
    case 5:
      return &s.LogomarkMaskFilename;
    default:
      return nullptr;
  }
}

VideoWindowTwips FitVideoWindowTwips(int64_t w, int64_t h) {
  return {w * kTwipsPerPixel + 100, h * kTwipsPerPixel + 400, w * kTwipsPerPixel, h * kTwipsPerPixel};
}

int TwipsToPixels(int64_t twips) {
  const int64_t px = (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
  return static_cast<int>(std::clamp<int64_t>(px, 0, 1 << 20));
}

void ApplyEffectAreaDefault(Settings& s, double leadWidthTwips, double leadHeightTwips) {
  if (!EffectAreaUnset(s)) return;
  s.EfctALeft = 0;
  s.EfctATop = 0;
  s.EfctAWidth = static_cast<int32_t>(std::lround(leadWidthTwips / kTwipsPerPixel));
  s.EfctAHeight = static_cast<int32_t>(std::lround(leadHeightTwips / kTwipsPerPixel));
}

QString TrayTip(const Settings& s) {
  return (QStringLiteral("Quorvin") + QString::number(s.DevIndex)).left(63);
}

}  // namespace quorvin
