#include "DeviceSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace korvex {

namespace {
// A device's name becomes one group; slashes would split it into nested groups.
QString GroupName(QString key) {
  key.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
  return QStringLiteral("device ") + key;
}

QStringList KeysOf(QSettings& ini, const QString& group) {
  ini.beginGroup(group);
  const QStringList keys = ini.allKeys();
  ini.endGroup();
  return keys;
}
}  // namespace

QString DeviceSettingsStore::Group(QSettings& ini, const CaptureDevice& device) const {
  const QString group = GroupName(device.SettingsKey());
  if (!KeysOf(ini, group).isEmpty()) return group;
  // Settings kept under a name the device had before are taken over once; the old group stays for older
  // versions of the library.
  for (const QString& former : device.FormerSettingsKeys()) {
    const QString old = GroupName(former);
    const QStringList keys = KeysOf(ini, old);
    if (keys.isEmpty()) continue;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    for (const QString& key : keys)
      ini.setValue(group + QLatin1Char('/') + key, ini.value(old + QLatin1Char('/') + key));
    break;
  }
  return group;
}

DeviceSettingsStore::DeviceSettingsStore() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  path_ = QDir(base).filePath(QStringLiteral("korvex/devices.ini"));
}

QString DeviceSettingsFile() {
  return DeviceSettingsStore().Path();
}

QString DeviceSettingsSection(const CaptureDevice& device, const VideoFormat& format) {
  // Written by the store itself, so the section reads exactly as korvex would write and read it.
  QTemporaryDir dir;
  if (!dir.isValid()) return {};
  const QString path = dir.filePath(QStringLiteral("devices.ini"));
  DeviceSettingsStore(path).SaveFormat(device, format);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).trimmed();
}

std::optional<VideoFormat> DeviceSettingsStore::LoadFormat(const CaptureDevice& device) const {
  QSettings ini(path_, QSettings::IniFormat);
  ini.beginGroup(Group(ini, device));
  if (!ini.contains(QStringLiteral("width"))) return std::nullopt;
  VideoFormat f;
  f.width = ini.value(QStringLiteral("width")).toInt();
  f.height = ini.value(QStringLiteral("height")).toInt();
  f.fpsNum = ini.value(QStringLiteral("fpsNum"), 30).toInt();
  f.fpsDen = ini.value(QStringLiteral("fpsDen"), 1).toInt();
  f.pixelFormat = ini.value(QStringLiteral("pixelFormat")).toString();
  if (!f.IsValid()) return std::nullopt;
  return f;
}

void DeviceSettingsStore::SaveFormat(const CaptureDevice& device, const VideoFormat& format) {
  QDir().mkpath(QFileInfo(path_).absolutePath());
  QSettings ini(path_, QSettings::IniFormat);
  ini.beginGroup(Group(ini, device));
  ini.setValue(QStringLiteral("width"), format.width);
  ini.setValue(QStringLiteral("height"), format.height);
  ini.setValue(QStringLiteral("fpsNum"), format.fpsNum);
  ini.setValue(QStringLiteral("fpsDen"), format.fpsDen);
  ini.setValue(QStringLiteral("pixelFormat"), format.pixelFormat);
}

QStringList DeviceSettingsStore::ApplyControls(CaptureDevice& device) const {
  QSettings ini(path_, QSettings::IniFormat);
  ini.beginGroup(Group(ini, device) + QStringLiteral("/controls"));
  std::map<QString, int> values;
  for (const QString& id : ini.childKeys()) {
    bool ok = false;
    const int value = ini.value(id).toInt(&ok);
    if (ok) values[id] = value;
  }
  return values.empty() ? QStringList() : ApplyControlValues(device, values);
}

QStringList ApplyControlValues(CaptureDevice& device, const std::map<QString, int>& values) {
  QStringList refused;
  for (const bool auto_modes : {true, false}) {
    // Read afresh for the second pass: the modes just set decide which manual controls are active.
    for (const DeviceControl& c : device.Controls()) {
      const auto wanted = values.find(c.id);
      if (wanted == values.end() || c.autoMode != auto_modes || !c.Keepable()) continue;
      if (c.inactive || wanted->second == c.value || wanted->second < c.minimum || wanted->second > c.maximum)
        continue;
      if (!device.SetControl(c.id, wanted->second))
        refused << QStringLiteral("%1 = %2").arg(c.label).arg(wanted->second);
    }
  }
  return refused;
}

void DeviceSettingsStore::SaveControl(const CaptureDevice& device, const QString& id, int value) {
  QDir().mkpath(QFileInfo(path_).absolutePath());
  QSettings ini(path_, QSettings::IniFormat);
  ini.beginGroup(Group(ini, device) + QStringLiteral("/controls"));
  ini.setValue(id, value);
}

AudioFormat DeviceSettingsStore::LoadAudio() const {
  QSettings ini(path_, QSettings::IniFormat);
  ini.beginGroup(QStringLiteral("audio"));
  AudioFormat a;
  a.rate = ini.value(QStringLiteral("rate"), a.rate).toInt();
  a.channels = ini.value(QStringLiteral("channels"), a.channels).toInt();
  a.bits = ini.value(QStringLiteral("bits"), a.bits).toInt();
  if (a.rate < 8000 || a.rate > 192000 || a.channels < 1 || a.channels > 2 || (a.bits != 8 && a.bits != 16))
    return AudioFormat{};
  return a;
}

void DeviceSettingsStore::SaveAudio(const AudioFormat& format) {
  QDir().mkpath(QFileInfo(path_).absolutePath());
  QSettings ini(path_, QSettings::IniFormat);
  ini.beginGroup(QStringLiteral("audio"));
  ini.setValue(QStringLiteral("rate"), format.rate);
  ini.setValue(QStringLiteral("channels"), format.channels);
  ini.setValue(QStringLiteral("bits"), format.bits);
}

}  // namespace korvex
