#pragma once
// ShowAreaPreview without a window: one frame from the video device into the area window's LEAD1(0),
// processed the way the outputs are (colour correction, turn, flip, mirror, the effects inside the effect
// area, the logo and the time stamp), borrowing the main window's LEAD2 and logo controls.

#include "Clock.h"
#include "ImagingControl.h"
#include "ImagingControls.h"
#include "NamingState.h"
#include "Settings.h"
#include "VideoDevice.h"

#include <array>
#include <cstdint>
#include <functional>

namespace quorvin {

inline constexpr int64_t kTwipsPerPixel = 15;
// What the window adds around the picture, in twips: its borders, and its title bar below.
inline constexpr int64_t kFrameWidthTwips = 100;
inline constexpr int64_t kFrameHeightTwips = 400;
// The stand-in picture when neither the device nor the main window knows a video size.
inline constexpr int kStandInWidth = 640;
inline constexpr int kStandInHeight = 480;

// Window and picture sizes in twips for a picture of width x height pixels; 64-bit products, so 8K frames
// need no special case.
struct AreaWindowSize {
  int64_t formWidth = 0, formHeight = 0;
  int64_t pictureWidth = 0, pictureHeight = 0;
  bool operator==(const AreaWindowSize&) const = default;
};
AreaWindowSize SizeForPicture(int64_t width, int64_t height);

// Twips to whole pixels, to the nearest pixel.
int64_t PictureTwipsToPixels(int64_t twips);

struct AreaPreviewContext {
  // The area window's own controls.
  std::array<ImagingControl, 1>& LEAD1;
  ImagingControl& LEAD2;
  // The main window's controls: LEAD2 as the work control, LEAD1(3) and LEAD1(4) as logo and mask.
  ImagingControls& main;
  Settings& settings;
  const NamingState& naming;
  VideoDevice* video = nullptr;  // nullptr: no video device
  const Clock& clock;
  // Sizes the window (steps 2 and 6); LEAD1(0)'s container size is already set when it is called.
  std::function<void(const AreaWindowSize&)> sizeWindow;
};

struct AreaPreviewOutcome {
  // No frame came (no device, or CopyDIB failed): the picture is a black stand-in, processed like a frame.
  bool standIn = false;
  int width = 0, height = 0;  // the unturned picture size used
};

// Runs the ten steps. The preview always comes from the video device, whatever op3(1) says. Without a
// frame the picture is black, of the device's video size, else of the main LEAD1(0)'s container size
// (kept at the last video format by every grab), else 640 x 480; it is still processed, so the areas can
// be placed, but on a copy of the settings, so that a stand-in size never clamps the stored areas.
// With a frame, the clamping of efct_lead2 and PrintTimeStamp2 writes into the settings as it does for an
// output. The logo and the stamp are drawn whatever the per-output switches say: the overlay procedures
// never read those switches (the output writer does). Imaging errors travel up; the main LEAD2 is empty
// afterwards either way.
AreaPreviewOutcome ShowAreaPreview(AreaPreviewContext& ctx);

}  // namespace quorvin
