#pragma once
// Text drawn into a picture with QPainter: the text properties of the imaging control and the style list.

#include "SettingsRules.h"

#include <QString>

#include <opencv2/core.hpp>

#include <array>
#include <cstdint>

namespace quorvin::imaging {

// The text styles, by code. Every style draws the text in the text colour last, over what it draws in the
// two auxiliary colours first; the offset d is a twelfth of the font's pixel size, at least 1 pixel.
//   0 normal          the text alone
//   1 shadow          auxiliary colour 1 moved d right and down
//   2 outline         auxiliary colour 1 at the eight neighbours d away
//   3 raised          auxiliary colour 1 up-left, auxiliary colour 2 down-right
//   4 sunken          auxiliary colour 2 up-left, auxiliary colour 1 down-right
//   5 box             a box of auxiliary colour 1 framed in auxiliary colour 2 behind the text lines
//   6 heavy outline   auxiliary colour 1 all round, 2 d wide
struct TextStyleInfo {
  int32_t code;
  const char* name;
};
inline constexpr std::array<TextStyleInfo, 7> kTextStyles{{{0, "Normal"},
                                                           {1, "Shadow"},
                                                           {2, "Outline"},
                                                           {3, "Raised"},
                                                           {4, "Sunken"},
                                                           {5, "Box"},
                                                           {6, "Heavy outline"}}};

static_assert(kTextStyles.size() == kTextStyleCount, "the settings rules count the styles drawn here");

// Text placement codes 0..8: code = 3 x column + row; column 0 left, 1 centre, 2 right; row 0 top,
// 1 middle, 2 bottom.
inline constexpr int32_t kTextPositionCount = kTextPlacementCount;

struct TextOptions {
  int32_t left = 0, top = 0, width = 0, height = 0;  // a zero width or height means the whole picture
  int32_t color = 0xFFFFFF;                          // 0x00BBGGRR
  int32_t auxColor1 = 0;
  int32_t auxColor2 = 0;
  int32_t position = 0;
  int32_t style = 0;
  QString fontName = QStringLiteral("Noto Sans CJK JP");
  double fontSize = 12;  // points at 96 dots per inch
};

// The font pixel height for a size in points on a 96 dpi picture.
int FontPixelSize(double points);

// Maps the Japanese system font names onto the installed Noto CJK JP faces (done once per process).
void InstallFontSubstitutions();

// Draws the text into the picture: lines split at CR LF, placed and clipped to the rectangle (within the
// picture). A greyscale picture becomes a colour one. Needs the Qt GUI application object.
void DrawTextOn(cv::Mat& picture, const TextOptions& options, const QString& text);

}  // namespace quorvin::imaging
