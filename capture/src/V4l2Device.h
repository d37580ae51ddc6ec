#pragma once
// A V4L2 video capture device as GStreamer's device monitor reports it. Controls are read and written
// with the V4L2 control ioctls, which also work while v4l2src streams from the same device.

#include <korvex/CaptureDevice.h>

#include <map>
#include <mutex>

namespace korvex {

struct V4l2Identity {
  QString card;
  QString driver;
  unsigned version = 0;
  QString path;
  QString busInfo;
};

class V4l2Device : public CaptureDevice {
 public:
  V4l2Device(V4l2Identity identity, std::vector<VideoFormat> formats);

  QString Name() const override { return identity_.card; }
  QString Version() const override { return FormatDriverVersion(identity_.driver, identity_.version); }
  QString SettingsKey() const override;
  std::vector<VideoFormat> Formats() const override { return formats_; }
  VideoFormat DefaultFormat() const override;
  std::optional<VideoFormat> FitFormat(const VideoFormat& wanted) const override;
  std::vector<DeviceControl> Controls() const override;
  bool SetControl(const QString& id, int value) override;
  GstElement* CreateSource(QString* error) override;
  int SettleFrames() const override { return 5; }

  // Formats of a device's caps, one per size, rate and pixel format it lists.
  static std::vector<VideoFormat> FormatsFromCaps(const QString& caps);

 private:
  bool LocateDevice();

  mutable std::mutex mutex_;
  V4l2Identity identity_;
  std::vector<VideoFormat> formats_;
  std::map<QString, int> values_;  // values set through this object, applied again on reconnect
};

}  // namespace korvex
