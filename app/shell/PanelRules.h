#pragma once
// The output settings panel's rules, apart from its widgets: the field and default behind each name box
// and the video window sizes. The limits of the boxes are in SettingsRules, shared with the settings tool.

#include "NamingState.h"
#include "Settings.h"
#include "SettingsRules.h"

#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

namespace quorvin {

// The field a name box text1(i) edits and what the field gets when the box is empty. Indexes with no
// field (9, 10, 14, 15, 16 and any other) give nullptr.
QString* Text1Field(Settings& settings, int index);
QString Text1EmptyDefault(const Settings& settings, int index);
// The text1 indexes that edit a field, in the order the settings display fills them.
inline constexpr int kText1Indexes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 17, 18};

// The field a stamp or logo box Text2(i) edits; whether its change refreshes the previews.
QString* Text2Field(Settings& settings, int index);
inline bool Text2RefreshesPreview(int index) {
  return index >= 0 && index <= 3;
}

// Sizes FitVideoWindow gives, in twips, computed in 64 bits so 4K and 8K frames fit.
struct VideoWindowTwips {
  int64_t formWidth, formHeight;  // Form2: w x 15 + 100, h x 15 + 400
  int64_t leadWidth, leadHeight;  // LEAD1(0): w x 15, h x 15
};
inline constexpr int kTwipsPerPixel = 15;
VideoWindowTwips FitVideoWindowTwips(int64_t videoWidth, int64_t videoHeight);
int TwipsToPixels(int64_t twips);

// The effect area after start-up: a width or height of 0 means unset, and then the whole display
// control (its size in pixels, the unit of the area) becomes the area.
void ApplyEffectAreaDefault(Settings& settings, double leadWidthTwips, double leadHeightTwips);

// "Quorvin" followed by DevIndex, cut to the 63 characters the tray record holds.
QString TrayTip(const Settings& settings);

}  // namespace quorvin
