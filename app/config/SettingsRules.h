#pragma once
// The rules the main window holds the settings to, without any widget: the limits of its boxes and
// sliders, and the corrections the settings display stores back after every load. The window applies
// them through these functions and the settings tool reports them, so both always agree.

#include "Settings.h"

#include <QString>

#include <cstdint>
#include <functional>
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
inline constexpr NumericLimits kGammaLimits{1, 200};        // HScroll1(i)
// HScroll2(k), the effect values efct(k).
inline constexpr NumericLimits kEffectLimits[Effect::Count] = {{0, 1000}, {1, 30}, {1, 30},
                                                               {1, 30},   {1, 30}, {50, 300}};

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

// The switches that have a check box storing them: on (1) or off (0), nothing else survives a display.
bool SwitchHasCheckBox(int index);

// The history seconds of the presets op3(0) = 0, 1, 2; nothing for the manual preset 3 or another code.
std::optional<int32_t> HistoryPresetSeconds(int32_t preset);

// Whether the history file head becomes "qv": file head and foot empty and no file date or time format
// for either image. A load asks for each of the four codes to be 0; the name preview for their sum to be
// 0. They differ only for negative codes, which name no format; the preview runs after every load, so
// its test is the one that decides what the recorder ends up with.
bool HistoryHeadDefaultOnLoad(const Settings& settings);
bool HistoryHeadNeedsDefault(const Settings& settings);

// The text style and placement the stamp is drawn with: the setting when the drawing knows it, else the
// default (a code from an older file must not take the stamp off every picture).
inline constexpr int32_t kTextStyleCount = 7;
inline constexpr int32_t kTextPlacementCount = 9;
inline constexpr int32_t kDefaultTextStyle = 5;
inline constexpr int32_t kDefaultTextPlacement = 5;
bool TextStyleKnown(int32_t code);
bool TextPlacementKnown(int32_t code);
int32_t StampTextStyle(const Settings& settings);
int32_t StampTextPlacement(const Settings& settings);

// The stamp's font size in points, when SFontSize is a number the text drawing takes (0 < size <= 2000).
std::optional<double> StampFontPoints(const Settings& settings);
// The size the stamp is drawn at: SFontSize, or the default when it is no size (0, or not a number).
inline constexpr double kDefaultFontPoints = 12;
double StampFontSize(const Settings& settings);

// The logo's place on the 3 x 3 grid it is drawn at: op3(3), or the default when it names no place.
inline constexpr int32_t kLogoPlacementCount = 9;
inline constexpr int32_t kDefaultLogoPlacement = 0;
bool LogoPlacementKnown(int32_t code);
int32_t LogoPlacement(const Settings& settings);

// A time of day "hhnn" as the operation time compares it: four digits, hours 00-23, minutes 00-59.
bool IsValidHhnn(const QString& text);
// Whether the clock text `now` ("hhnn..." ) lies inside the daily window from `startTime` to `endTime`
// (first two and last two characters of each, compared as text); equal bounds mean always inside.
bool InsideOperationTime(const QString& startTime, const QString& endTime, const QString& now);

// An effect area of width or height 0 is unset: start-up makes it the whole frame.
inline bool EffectAreaUnset(const Settings& s) {
  return s.EfctAWidth == 0 || s.EfctAHeight == 0;
}

// One value a rule changed: the written key, the value before and after, and why.
struct Correction {
  QString key;
  QString from;
  QString to;
  QString reason;
};
using CorrectionSink = std::function<void(const Correction&)>;

// What the settings display stores back when it shows a freshly loaded record: intervals, scales, mark
// positions and quality within their boxes' limits, effect and gamma values within their sliders', the
// history preset's interval, switches as 0 or 1, and the default history head.
void ApplyDisplayCorrections(Settings& settings, const CorrectionSink& changed = {});

// When the settings are applied: a logo or mask name that is empty or names no existing file is emptied;
// a missing mask also switches the mask off.
void DropMissingLogoNames(Settings& settings, const CorrectionSink& changed = {});

}  // namespace quorvin
