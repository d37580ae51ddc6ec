#pragma once
// The one process-wide settings record. Fields carry the names of their settings-file keys; every part of
// the program reads and writes them directly. The positions inside the arrays are named in SettingIndexes.h.

#include "SettingIndexes.h"

#include <QString>

#include <array>
#include <cstdint>

namespace quorvin {

// The version text written at the head of the settings file and at the end of the default stamp foot.
inline constexpr char kVersionText[] = "v1.8.5.990629";

struct Settings {
  int32_t DevIndexTwain = 0;
  int32_t DevIndex = 0;

  // On/off switches (Switch::...), on only when equal to 1.
  std::array<int32_t, 31> ch1{0, 1, 1, 1, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
                              0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0};
  // Scale of each output (Output::...).
  std::array<float, Output::Count> zoom{0, 0, 0, 0, 0};
  // The value of each effect in the effect area (Effect::...).
  std::array<int32_t, 11> efct{800, 8, 4, 10, 8, 100, 0, 0, 0, 0, 0};

  QString stampHead;
  QString stampFoot = QStringLiteral("Quorvin \\n") + QLatin1String(kVersionText);
  QString stampDateSep = QStringLiteral("-");
  QString stampTimeSep = QStringLiteral(":");
  int32_t stampTextColor = 0xFFFFFF;  // 0x00BBGGRR
  QString SFontName = QString::fromUtf8("ＭＳ Ｐゴシック");
  QString SFontSize = QStringLiteral("12");

  int32_t StampAreaTop = 0, StampAreaLeft = 0, StampAreaWidth = 0, StampAreaHeight = 0;
  int32_t EfctATop = 0, EfctALeft = 0, EfctAWidth = 0, EfctAHeight = 0;

  QString LogomarkFilename;
  QString LogomarkMaskFilename;
  int32_t MarkPosTop = 100;
  int32_t MarkPosLeft = 100;

  QString StartTime;
  QString EndTime;
  QString NetworkPath;
  std::array<QString, Output::LiveCount> LiFiName;
  QString IntervalHistBuf = QStringLiteral("300");
  std::array<int32_t, 2> inter{300, 300};  // seconds: 0 live, 1 history
  QString histPath;
  std::array<QString, 1> histDirHead1;
  std::array<QString, 2> histDirFoot1;
  std::array<QString, 1> histDirHead2;
  std::array<QString, 2> histDirFoot2;
  std::array<QString, 1> HiFileHead;
  std::array<QString, 2> HiFileFoot{QStringLiteral("0"), QStringLiteral("_")};

  // JPEG quality factor per output, 2 best to 255 smallest.
  std::array<int32_t, Output::Count> rezo{0, 0, 0, 0, 0};
  std::array<int32_t, 4> colorganma{100, 100, 100, 100};   // Blue, Green, Red, black
  std::array<int32_t, 4> colorganma2{100, 100, 100, 100};  // Cyan, Magenta, Yellow, black

  // Date and time format choices (Format::...), list positions of the format lists.
  std::array<int32_t, 11> op2{0, 0, 0, 4, 1, 1, 0, 0, 0, 0, 0};
  // The chosen button of each option group (Option::...).
  std::array<int32_t, 21> op3{0, 1, 5, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

  int32_t PictureAngle = 0;  // hundredths of a degree

  bool operator==(const Settings&) const = default;
};

}  // namespace quorvin
