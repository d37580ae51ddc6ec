#pragma once
// Each device's chosen format and control values, and the audio format, kept the way a driver keeps
// them: in $XDG_CONFIG_HOME/korvex/devices.ini.

#include <korvex/CaptureDevice.h>

#include <QString>
#include <QStringList>
#include <map>

class QSettings;
#include <optional>

namespace korvex {

class DeviceSettingsStore {
 public:
  DeviceSettingsStore();
  explicit DeviceSettingsStore(const QString& path) : path_(path) {}
  QString Path() const { return path_; }

  std::optional<VideoFormat> LoadFormat(const CaptureDevice& device) const;
  void SaveFormat(const CaptureDevice& device, const VideoFormat& format);
  // Sets the stored controls the device still offers (ApplyControlValues); the refused ones.
  QStringList ApplyControls(CaptureDevice& device) const;
  void SaveControl(const CaptureDevice& device, const QString& id, int value);
  AudioFormat LoadAudio() const;
  void SaveAudio(const AudioFormat& format);

 private:
  // The device's group, filled from a group of a former key when it has nothing yet.
  QString Group(QSettings& ini, const CaptureDevice& device) const;

  QString path_;
};

// Sets `values` (control id to value) on the device: automatic modes first, because a camera refuses a
// manual value while its automatic mode is on; then the others the device reports active. Write-only and
// volatile controls are never set again, values the device already has are skipped. Returns the refused
// ones as "label = value".
QStringList ApplyControlValues(CaptureDevice& device, const std::map<QString, int>& values);

}  // namespace korvex
