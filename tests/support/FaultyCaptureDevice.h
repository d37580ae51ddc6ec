#pragma once
// A test-pattern capture device whose frames can be held back (a camera that stops delivering) and which
// can be unplugged: a streaming pipeline gets an error at once, a resting one when it next starts, and no
// source can be made until it is plugged in again. Used by the capture control's and the engine's tests.

#include <korvex/TestPatternDevice.h>

#include "GstHandles.h"

#include <atomic>
#include <memory>
#include <vector>

namespace korvex::test {

class FaultyDevice : public TestPatternDevice {
 public:
  GstElement* CreateSource(QString* error) override;
  void Stall(bool stalled);
  void Unplug();
  void Replug() { unplugged_ = false; }
  int SourcesMade() const { return made_; }
  // Every request for a source, also those refused while unplugged: each one is a reconnect attempt.
  int SourcesAsked() const { return asked_; }

 private:
  std::atomic<bool> unplugged_{false};
  bool stalled_ = false;
  ElementPtr bin_;
  int made_ = 0;
  int asked_ = 0;
};

// Offers the devices a test made, in order.
class FixedDeviceSource : public DeviceSource {
 public:
  explicit FixedDeviceSource(std::vector<std::shared_ptr<CaptureDevice>> devices)
      : devices_(std::move(devices)) {}
  std::vector<std::shared_ptr<CaptureDevice>> Enumerate() override { return devices_; }

 private:
  std::vector<std::shared_ptr<CaptureDevice>> devices_;
};

std::shared_ptr<DeviceSource> SourceOf(std::vector<std::shared_ptr<CaptureDevice>> devices);

}  // namespace korvex::test
