#pragma once
// The built-in Test Pattern device: a moving videotestsrc picture, so the recorder runs on a machine
// without a camera.

#include <korvex/CaptureDevice.h>

#include <memory>
#include <mutex>

namespace korvex {

class TestPatternDevice : public CaptureDevice {
 public:
  TestPatternDevice();
  ~TestPatternDevice() override;

  QString Name() const override { return QStringLiteral("Test Pattern"); }
  QString Version() const override;
  QString SettingsKey() const override { return QStringLiteral("test-pattern"); }
  std::vector<VideoFormat> Formats() const override;
  VideoFormat DefaultFormat() const override;
  std::optional<VideoFormat> FitFormat(const VideoFormat& wanted, FitSide side) const override;
  std::vector<DeviceControl> Controls() const override;
  bool SetControl(const QString& id, int value) override;
  GstElement* CreateSource(QString* error) override;
  QString AudioSourceDescription() const override;

  static constexpr int kMaxSide = 16384;

 private:
  mutable std::mutex mutex_;
  int pattern_ = 0;  // smpte
  int motion_ = 4;   // pixels per frame the picture moves sideways
  struct ElementUnref {
    void operator()(GstElement* element) const;
  };
  // The last source made, to apply control changes while it streams.
  std::unique_ptr<GstElement, ElementUnref> live_;
};

}  // namespace korvex
