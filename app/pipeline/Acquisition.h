#pragma once
// Getting one frame into LEAD1(0), from the video device or from a scanner-class ("TWAIN") source, and
// preparing it (colour correction, post-processing) for the output writers and the snapshot.

#include "Clock.h"
#include "ImagingControls.h"
#include "Settings.h"
#include "VideoDevice.h"

#include <functional>
#include <optional>

namespace quorvin {

struct AcquisitionContext {
  ImagingControls& controls;
  Settings& settings;
  VideoDevice* video = nullptr;          // nullptr: no capture control (the VFW grab fails)
  std::function<void()> fitVideoWindow;  // sizes the preview window and LEAD1(0) to the video format
  intptr_t window = 0;                   // window handle handed to the scanner source
  const Clock* clock = &SystemClock::Instance();
  // The scanner source to use when it is not DevIndexTwain (a stand-in for a source missing at start).
  std::optional<int32_t> twainSource;
};

// The VFW grab: a lost device is tried again, a blank image is made at LEAD1(0)'s container size (the
// device's when the container has none), the next frame is painted onto it and the container is sized to
// the video format. Traps nothing: a missing or gone device, or a missing frame, throws ImagingError and
// leaves the blank; a gone device leaves the container's size for the next blank.
void GrabVideoFrame(AcquisitionContext& ctx);

// The TWAIN grab: source, fixed scan settings, acquisition, colour correction and post-processing. Each
// step that fails is logged as "TWAIN error" and the next step runs on whatever LEAD1(0) then holds.
void GrabTwainFrame(AcquisitionContext& ctx);

// The acquisition entry by op3(1): afterwards LEAD1(0) holds the finished frame. A scanner frame is
// colour-corrected once, by its grab; a video frame here, then post-processed when op3(1) is 1 (another
// code grabs from the video device without post-processing). Traps nothing.
void AcquireFrame(AcquisitionContext& ctx);

// Rounds a scaled size to the nearest integer, halves to even; throws ImagingError beyond 32 bits.
int32_t ScaledSize(double size, double factor);

}  // namespace quorvin
