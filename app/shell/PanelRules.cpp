#include "PanelRules.h"

#include "SettingsFile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvin {

int64_t SaturatedIntegerValue(const QString& text) {
  const bool negative = text.startsWith(QLatin1Char('-'));
  int64_t value = 0;
  for (qsizetype i = negative ? 1 : 0; i < text.size(); ++i) {
    value = value * 10 + (text[i].unicode() - '0');
    if (value > std::numeric_limits<int32_t>::max()) value = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  }
  return negative ? -value : value;
}

NumericDecision DecideNumericText(const QString& text, NumericLimits limits) {
  NumericDecision d;
  if (!IsIntegerText(text)) return d;
  const int64_t value = SaturatedIntegerValue(text);
  if (value > limits.maximum) {
    d.action = NumericDecision::Action::Replace;
    d.replacement = QString::number(limits.maximum);
  } else if (value < limits.minimum) {
    d.action = NumericDecision::Action::Replace;
    d.replacement = QString::number(limits.minimum);
  } else {
    d.action = NumericDecision::Action::Store;
    d.value = static_cast<int32_t>(value);
  }
  return d;
}

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
  if (s.EfctAWidth != 0 && s.EfctAHeight != 0) return;
  s.EfctALeft = 0;
  s.EfctATop = 0;
  s.EfctAWidth = static_cast<int32_t>(std::lround(leadWidthTwips / kTwipsPerPixel));
  s.EfctAHeight = static_cast<int32_t>(std::lround(leadHeightTwips / kTwipsPerPixel));
}

QString TrayTip(const Settings& s) {
  return (QStringLiteral("Quorvin") + QString::number(s.DevIndex)).left(63);
}

bool HistoryHeadNeedsDefault(const Settings& s) {
  const int32_t fileCodes = s.op2[Format::Image2FileDate] + s.op2[Format::Image2FileTime] +
                            s.op2[Format::FileDate] + s.op2[Format::FileTime];
  return s.HiFileHead[0].isEmpty() && s.HiFileFoot[0].isEmpty() && fileCodes == 0;
}

}  // namespace quorvin
