#include "SettingsRules.h"

#include "SettingsFile.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvin {
namespace {

QString Key(const char* pattern, int index) {
  return QString::fromLatin1(pattern).arg(index);
}

// Sets an integer field and reports the change.
void Set(const CorrectionSink& changed, const QString& key, int32_t& field, int32_t value,
         const QString& why) {
  if (field == value) return;
  if (changed) changed({key, QString::number(field), QString::number(value), why});
  field = value;
}

QString LimitsText(NumericLimits limits) {
  return QStringLiteral("%1 to %2").arg(limits.minimum).arg(limits.maximum);
}

}  // namespace

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

bool SwitchHasCheckBox(int i) {
  return (i >= Switch::StampOnHalfImage && i <= Switch::StampOnLiveImage) ||
         (i >= Switch::LiveThumbnail && i <= Switch::UseLogoMask) ||
         (i >= Switch::FirstEffect && i <= Switch::LastEffect) || i == Switch::CaptureActive ||
         i == Switch::StartInTray;
}

std::optional<int32_t> HistoryPresetSeconds(int32_t preset) {
  switch (preset) {
    case 0:
      return 600;
    case 1:
      return 1800;
    case 2:
      return 3600;
    default:
      return std::nullopt;
  }
}

bool HistoryHeadDefaultOnLoad(const Settings& s) {
  return s.HiFileHead[0].isEmpty() && s.HiFileFoot[0].isEmpty() && s.op2[Format::Image2FileDate] == 0 &&
         s.op2[Format::Image2FileTime] == 0 && s.op2[Format::FileDate] == 0 && s.op2[Format::FileTime] == 0;
}

bool HistoryHeadNeedsDefault(const Settings& s) {
  // In 64 bits: four codes from a file can sum beyond int32.
  const int64_t fileCodes = int64_t{s.op2[Format::Image2FileDate]} + s.op2[Format::Image2FileTime] +
                            s.op2[Format::FileDate] + s.op2[Format::FileTime];
  return s.HiFileHead[0].isEmpty() && s.HiFileFoot[0].isEmpty() && fileCodes == 0;
}

bool TextStyleKnown(int32_t code) {
  return code >= 0 && code < kTextStyleCount;
}

bool TextPlacementKnown(int32_t code) {
  return code >= 0 && code < kTextPlacementCount;
}

int32_t StampTextStyle(const Settings& s) {
  return TextStyleKnown(s.op3[Option::TextStyle]) ? s.op3[Option::TextStyle] : kDefaultTextStyle;
}

int32_t StampTextPlacement(const Settings& s) {
  return TextPlacementKnown(s.op3[Option::TextPlacement]) ? s.op3[Option::TextPlacement]
                                                          : kDefaultTextPlacement;
}

std::optional<double> StampFontPoints(const Settings& s) {
  bool ok = false;
  const double points = s.SFontSize.trimmed().toDouble(&ok);
  if (!ok || !(points > 0 && points <= 2000)) return std::nullopt;
  return points;
}

double StampFontSize(const Settings& s) {
  return StampFontPoints(s).value_or(kDefaultFontPoints);
}

bool LogoPlacementKnown(int32_t code) {
  return code >= 0 && code < kLogoPlacementCount;
}

int32_t LogoPlacement(const Settings& s) {
  return LogoPlacementKnown(s.op3[Option::LogoPlacement]) ? s.op3[Option::LogoPlacement]
                                                          : kDefaultLogoPlacement;
}

bool IsValidHhnn(const QString& t) {
  if (t.size() != 4) return false;
  for (QChar c : t)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  return t.left(2).toInt() <= 23 && t.right(2).toInt() <= 59;
}

bool InsideOperationTime(const QString& startTime, const QString& endTime, const QString& now) {
  const QString s = startTime.left(2) + startTime.right(2);
  const QString e = endTime.left(2) + endTime.right(2);
  const QString n = now.left(4);
  if (s < e) return s <= n && e > n;
  return s <= n || e > n;  // across midnight, or equal bounds: always inside
}

void ApplyDisplayCorrections(Settings& s, const CorrectionSink& changed) {
  const QString box = QStringLiteral("the window's box takes %1");
  for (int i = 0; i < 2; ++i)
    Set(changed, Key("inter(%1)", i), s.inter[i], std::clamp(s.inter[i], 1, 9999),
        box.arg(LimitsText(kIntervalLimits)));
  const int32_t preset = s.op3[Option::HistoryIntervalPreset];
  if (const std::optional<int32_t> seconds = HistoryPresetSeconds(preset)) {
    Set(changed, QStringLiteral("inter(1)"), s.inter[1], *seconds,
        QStringLiteral("the history preset op3(0) = %1 sets %2 s").arg(preset).arg(*seconds));
  } else if (preset == 3 && s.IntervalHistBuf != QString::number(s.inter[1])) {
    // The manual preset keeps the interval it shows as the one to come back to.
    if (changed)
      changed({QStringLiteral("IntervalHistBuf"), s.IntervalHistBuf, QString::number(s.inter[1]),
               QStringLiteral("the manual history preset keeps inter(1)")});
    s.IntervalHistBuf = QString::number(s.inter[1]);
  }

  const int32_t model = s.op3[Option::ColourModel];
  if (model == 0 || model == 1) {
    auto& gamma = model == 0 ? s.colorganma : s.colorganma2;
    for (int i = 0; i < 3; ++i)
      Set(changed, Key(model == 0 ? "ColorGanma(%1)" : "ColorGanma2(%1)", i), gamma[i],
          std::clamp(gamma[i], kGammaLimits.minimum, kGammaLimits.maximum),
          QStringLiteral("the gamma slider takes %1").arg(LimitsText(kGammaLimits)));
  }

  if (HistoryHeadNeedsDefault(s)) {
    if (changed)
      changed({QStringLiteral("HiFileHead(0)"),
               {},
               QStringLiteral("qv"),
               QStringLiteral("no head, foot, file date or file time: the default head")});
    s.HiFileHead[0] = QStringLiteral("qv");
  }

  for (int i = 0; i < Output::Count; ++i) {
    // The box shows the scale in whole percent: what it cannot show is rounded, then held to its limits.
    const double percent = static_cast<double>(s.zoom[i] * 100.0f);
    const double whole =
        std::clamp(std::round(percent), double{kScaleLimits.minimum}, double{kScaleLimits.maximum});
    const float zoom = static_cast<float>(whole) / 100.0f;
    if (zoom == s.zoom[i]) continue;
    if (changed)
      changed({Key("Zoom(%1)", i), FormatFloat(s.zoom[i]), FormatFloat(zoom),
               QStringLiteral("the scale box takes whole percent, %1").arg(LimitsText(kScaleLimits))});
    s.zoom[i] = zoom;
  }
  for (int i = 0; i < Output::Count; ++i)
    Set(changed, Key("Rezo(%1)", i), s.rezo[i],
        std::clamp(s.rezo[i], kQualityLimits.minimum, kQualityLimits.maximum),
        box.arg(LimitsText(kQualityLimits)));

  for (int i = 0; i < static_cast<int>(s.ch1.size()); ++i)
    if (SwitchHasCheckBox(i) && s.ch1[i] != 1)
      Set(changed, Key("ch1(%1)", i), s.ch1[i], 0, QStringLiteral("a switch is on only when 1"));

  for (int k = 0; k < Effect::Count; ++k)
    Set(changed, Key("Efct(%1)", k), s.efct[k],
        std::clamp(s.efct[k], kEffectLimits[k].minimum, kEffectLimits[k].maximum),
        QStringLiteral("the effect slider takes %1").arg(LimitsText(kEffectLimits[k])));

  Set(changed, QStringLiteral("MarkPosTop"), s.MarkPosTop,
      std::clamp(s.MarkPosTop, kMarkPosLimits.minimum, kMarkPosLimits.maximum),
      box.arg(LimitsText(kMarkPosLimits)));
  Set(changed, QStringLiteral("MarkPosLeft"), s.MarkPosLeft,
      std::clamp(s.MarkPosLeft, kMarkPosLimits.minimum, kMarkPosLimits.maximum),
      box.arg(LimitsText(kMarkPosLimits)));
}

void DropMissingLogoNames(Settings& s, const CorrectionSink& changed) {
  const auto missing = [](const QString& name) { return name.isEmpty() || !QFileInfo(name).isFile(); };
  const QString why = QStringLiteral("names no file");
  if (missing(s.LogomarkFilename)) {
    if (changed && !s.LogomarkFilename.isEmpty())
      changed({QStringLiteral("LogomarkFilename"), s.LogomarkFilename, {}, why});
    s.LogomarkFilename.clear();
  }
  if (missing(s.LogomarkMaskFilename)) {
    if (changed && !s.LogomarkMaskFilename.isEmpty())
      changed({QStringLiteral("LogomarkMaskFilename"), s.LogomarkMaskFilename, {}, why});
    s.LogomarkMaskFilename.clear();
    Set(changed, QStringLiteral("ch1(14)"), s.ch1[Switch::UseLogoMask], 0,
        QStringLiteral("there is no mask"));
  }
}

}  // namespace quorvin
