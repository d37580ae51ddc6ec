#pragma once
// Each device's chosen format and control values, and the audio format, kept the way a driver keeps
// them: in $XDG_CONFIG_HOME/korvex/devices.ini.

#include <korvex/CaptureDevice.h>

#include <QString>
#include <optional>

namespace korvex {

class DeviceSettingsStore {
 public:
  DeviceSettingsStore();
  QString Path() const { return path_; }

  std::optional<VideoFormat> LoadFormat(const CaptureDevice& device) const;
  void SaveFormat(const CaptureDevice& device, const VideoFormat& format);
  // Sets every stored control the device still offers.
  void ApplyControls(CaptureDevice& device) const;
  void SaveControl(const CaptureDevice& device, const QString& id, int value);
  AudioFormat LoadAudio() const;
  void SaveAudio(const AudioFormat& format);

 private:
  QString path_;
};

}  // namespace korvex
