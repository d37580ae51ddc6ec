#pragma once
// The capture engine: the live and history save cycles, the snapshot and the device choice. It works on
// the settings record, the naming state and the imaging controls it is given, grabs through a
// VideoDevice and reaches the main window only through CaptureHost, so it runs without any window.

#include "Acquisition.h"
#include "CaptureHost.h"
#include "Clock.h"
#include "ErrorLog.h"
#include "ImagingControls.h"
#include "NamingState.h"
#include "Settings.h"
#include "VideoDevice.h"

#include <QString>

#include <optional>

namespace quorvin {

class CaptureEngine final : public CaptureCycles {
 public:
  CaptureEngine(Settings& settings, NamingState& naming, ImagingControls& controls, VideoDevice* video,
                CaptureHost& host, const Clock& clock = SystemClock::Instance());

  // One live cycle: the live image, thumbnail and half image into NetworkPath. Traps and logs every
  // failure ("saveing") and goes on with the next step. Once the host is ending, no step runs.
  void SaveLiveImages() override;
  // One history cycle with the names of the last BuildHistoryNames ("saveing3" on failures).
  void SaveHistoryImages() override;

  // The next free "vk" + five digits + ".jpg" in `folder` (vk01024.jpg when all are taken) gets the
  // corrected, post-processed frame at full quality. A failure is returned, never thrown.
  SnapshotResult SaveSnapshot(const QString& folder);

  // The choice of a list entry: index 0 the scanner sources, 1 the video devices. The operator's choice
  // (`store`) becomes DevIndexTwain or DevIndex; start-up's stand-in for a stored device that is missing
  // is used for this run but leaves the stored index as it is. False when the capture control failed;
  // nothing is thrown.
  bool SelectDevice(int index, int position, bool store = true);
  void UseOverlayIfAvailable();

  void SetVideoDevice(VideoDevice* video) { video_ = video; }
  void SetWindowHandle(intptr_t window) { window_ = window; }

  // The history files as the last BuildHistoryNames named them: 0 image, 1 thumbnail.
  QString HistoryFile(int which) const;

 private:
  AcquisitionContext Context();
  void WriteLiveOutput(int i);
  void ResizeForHistory(int k);
  // False when the stamp failed; the slot then holds its picture as it was, unless giving it back failed.
  bool StampSlot(int k, const char* message, int output);
  // A stamp style, placement or size, or a logo placement, that the drawing does not know is drawn with
  // the default; the log says so once per value, not every cycle.
  void NoteStampDefaults();
  void NoteDefaultInUse(const char* what, const QString& key, const QString& value, const QString& used,
                        std::optional<QString>& logged);
  // The logo on slot k (an output's picture), for `output`.
  void LogoSlot(int k, const char* message, int output);
  void MakeFolder(const QString& path);
  // Runs one statement of a cycle; a failure becomes a log line with `message`, its reason told with
  // `what` the statement was about, and the cycle goes on. True when the statement ran through.
  template <typename Step>
  bool Trap(const char* message, const QString& what, Step&& step);
  QString GrabWhat() const;

  Settings& s_;
  NamingState& naming_;
  ImagingControls& c_;
  VideoDevice* video_;
  CaptureHost& host_;
  const Clock& clock_;
  intptr_t window_ = 0;
  std::optional<QString> loggedStyle_, loggedPlacement_, loggedFontSize_, loggedLogoPlacement_;
  // The scanner source used in place of a stored DevIndexTwain that start-up did not find.
  struct StandIn {
    int32_t stored;
    int32_t used;
  };
  std::optional<StandIn> twainStandIn_;
  RepeatLimiter repeats_;  // a lasting fault is summarised, not written every cycle
};

}  // namespace quorvin
