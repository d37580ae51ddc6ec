#pragma once
// The image pipeline's procedures: colour correction, post-processing with the effects, and the
// time-stamp and logo overlay. They work on the imaging controls and the settings record they are given.
// Imaging failures travel up as ImagingError; these procedures trap nothing.

#include "Clock.h"
#include "ImagingControls.h"
#include "NamingState.h"
#include "Settings.h"

#include <functional>

namespace quorvin {

// Clamps a rectangle (top, left, width, height) to a W x H picture: a negative top or left is moved to 0
// and its height or width shortened by as much; then top to H, left to W, then height to H - top and width
// to W - left where the rectangle reaches beyond. Sums are taken in 64 bits, so huge values are clamped
// instead of overflowing.
void ClampArea(int32_t& top, int32_t& left, int32_t& width, int32_t& height, int64_t W, int64_t H);

// Gamma per colour plane of the whole picture in LEAD2, by the colour model op3(17).
void ColorCorrect(ImagingControl& LEAD2, const Settings& settings);

// Applies the switched-on effects to the effect area of the whole frame in LEAD2 and leaves only that
// area there; the clamped area is written back into the settings.
void efct_lead2(ImagingControl& LEAD2, Settings& settings);

// Turn, flip, mirror and effects on the frame in LEAD1(0); LEAD2 is empty afterwards. fitVideoWindow is
// called after a quarter or three-quarter turn (the window owner sizes its windows there).
void PostProcessing(ImagingControls& controls, Settings& settings,
                    const std::function<void()>& fitVideoWindow = {});

// Draws the time stamp into LEAD2's picture; the clamped stamp area is written back into the settings.
void PrintTimeStamp2(ImagingControl& LEAD2, Settings& settings, const NamingState& naming,
                     const Clock& clock = SystemClock::Instance());

// The logo position on a W x H picture for a w x h logo: the grid place op3(3) plus the offsets.
QPoint LogoPosition(int64_t W, int64_t H, int64_t w, int64_t h, const Settings& settings);

// Puts the logo (masked when the mask is on) onto a picture; the logo and mask come from LEAD1(3) and
// LEAD1(4). The held logo is changed by every masked overlay (masked part blackened).
void LogoOverlay(ImagingControls& controls, ImagingControl& picture, const Settings& settings);
inline void LogoOverlay(ImagingControls& controls, int output, const Settings& settings) {
  LogoOverlay(controls, controls.LEAD1.at(static_cast<size_t>(output)), settings);
}

// Loads a logo file into LEAD1(3) and keeps its size.
void LoadLogo(ImagingControls& controls, const QString& file);
// When settings are applied: loads logo and mask; a name that is empty or names no existing file is
// emptied and nothing is loaded, and a missing mask also switches the mask off (ch1(14) = 0).
void ApplyLogoSettings(ImagingControls& controls, Settings& settings);

}  // namespace quorvin
