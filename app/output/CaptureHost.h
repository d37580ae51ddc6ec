#pragma once
// The seams between the capture engine (the live and history save cycles, the snapshot and the device
// choice) and the main window. The main window implements CaptureHost; the scheduler and the operator
// commands call CaptureCycles. Neither side needs the other's widgets, so both run in tests alone.

#include <QString>

#include <cstdint>

namespace quorvin {

// What the save cycles need from the main window.
class CaptureHost {
 public:
  enum class CycleLabel { Live, History };  // Label4, Label7

  virtual ~CaptureHost() = default;
  // True once the program has begun to end: from then on no step of a cycle runs.
  virtual bool Ending() const = 0;
  virtual void SetTimerEnabled(bool enabled) = 0;                           // Timer1.Enabled
  virtual void SetCycleLabelColor(CycleLabel label, int32_t colorBgr) = 0;  // background, 0x00BBGGRR
  virtual void ProcessPendingEvents() = 0;                                  // one message-pump pass
  virtual void FitVideoWindow() = 0;  // size Form2 and LEAD1(0) to the video format
  virtual void SetBusyCursor(bool busy) = 0;
  virtual void SetSourceLabel(const QString& text) = 0;  // Label6(12): "(V0)", "(T 0)"
};

// The capture work the scheduler and the operator commands start.
class CaptureCycles {
 public:
  virtual ~CaptureCycles() = default;
  virtual void SaveLiveImages() = 0;
  virtual void SaveHistoryImages() = 0;
};

// What a snapshot (the "DigiCame" button) left behind.
struct SnapshotResult {
  bool ok = false;
  QString file;   // the file written (or that failed)
  QString error;  // why it failed
};

// A CaptureHost with no window: for the headless recorder's engine tests and benchmarks.
class NullCaptureHost : public CaptureHost {
 public:
  bool Ending() const override { return false; }
  void SetTimerEnabled(bool) override {}
  void SetCycleLabelColor(CycleLabel, int32_t) override {}
  void ProcessPendingEvents() override {}
  void FitVideoWindow() override {}
  void SetBusyCursor(bool) override {}
  void SetSourceLabel(const QString&) override {}
};

}  // namespace quorvin
