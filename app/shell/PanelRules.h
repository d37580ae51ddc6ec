#pragma once
// The output settings panel's rules, apart from its widgets: clamping of the numeric boxes, the field and
// default behind each name box, the preview texts and the video window sizes.

#include "NamingState.h"
#include "Settings.h"

#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

namespace quorvin {

struct NumericLimits {
  int32_t minimum;
  int32_t maximum;
};
inline constexpr NumericLimits kMarkPosLimits{-999, 9999};  // pos(0), pos(1)
inline constexpr NumericLimits kQualityLimits{2, 255};      // jrezo(i)
inline constexpr NumericLimits kScaleLimits{1, 200};        // size(i), percent
inline constexpr NumericLimits kIntervalLimits{1, 9999};    // interval(i), seconds

// What a numeric box does with its text on a change.
struct NumericDecision {
  enum class Action { Ignore, Replace, Store };
  Action action = Action::Ignore;
  QString replacement;  // Replace: the limit's text, which runs the handler again
  int32_t value = 0;    // Store: the value for the up-down and the field
};
// Not an integer text: ignore. Beyond a limit (any number of digits): replace with the limit. Else store.
NumericDecision DecideNumericText(const QString& text, NumericLimits limits);
// An integer text's value; digits beyond the int32 range saturate instead of overflowing.
int64_t SaturatedIntegerValue(const QString& integerText);

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

// Whether the history file head goes back to "qv": both file head and foot empty and no file date or
// time format chosen for either image.
bool HistoryHeadNeedsDefault(const Settings& settings);

}  // namespace quorvin
