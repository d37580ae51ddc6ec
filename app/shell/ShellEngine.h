#pragma once
// What the main window needs from the capture engine: the two save cycles the scheduler runs, the
// snapshot and the device choice of the two device lists. The program wires the real engine in
// (EngineWiring); tests may hand over a recording one.

#include "CaptureHost.h"

#include <memory>

namespace korvex {
class CKorvexCtrl;
}

namespace quorvin {

class ShellEngine : public CaptureCycles {
 public:
  // SelectDevice(index, position, store): 0 the scanner-source list, 1 the video-device list; see
  // CaptureEngine::SelectDevice.
  virtual bool SelectDevice(int index, int position, bool store) = 0;
  virtual void UseOverlayIfAvailable() = 0;
  // The snapshot into `folder`; a failure is returned, never thrown.
  virtual SnapshotResult SaveSnapshot(const QString& folder) = 0;
  // The capture control on the preview window, once it exists.
  virtual void AttachVideo(korvex::CKorvexCtrl* control) = 0;
};

}  // namespace quorvin
