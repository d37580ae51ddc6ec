#include "DevicesCheck.h"

#include "ToolReport.h"

#include <korvex/KorvexTypes.h>
#include <korvex/NetworkCameras.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace quorvin::tool {
namespace {

const QString kDevicePrefix = QStringLiteral("device ");
const QStringList kFormatKeys = {QStringLiteral("width"), QStringLiteral("height"), QStringLiteral("fpsNum"),
                                 QStringLiteral("fpsDen"), QStringLiteral("pixelFormat")};
const QString kControls = QStringLiteral("controls/");

// The line of each "section" + "/" + "key" as QSettings writes them: section names percent-encoded,
// sub-keys joined with "\".
QHash<QString, int> LinesOfKeys(const QByteArray& bytes) {
  QHash<QString, int> lines;
  QString section;
  const QList<QByteArray> raw = bytes.split('\n');
  for (int i = 0; i < raw.size(); ++i) {
    const QString line = QString::fromUtf8(raw[i]).trimmed();
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      section = QUrl::fromPercentEncoding(line.mid(1, line.size() - 2).toUtf8());
      lines.insert(section, i + 1);
    } else if (const qsizetype eq = line.indexOf(QLatin1Char('=')); eq > 0) {
      QString key = QUrl::fromPercentEncoding(line.left(eq).trimmed().toUtf8());
      key.replace(QLatin1Char('\\'), QLatin1Char('/'));
      lines.insert(section + QLatin1Char('/') + key, i + 1);
    }
  }
  return lines;
}

class DevicesChecker {
 public:
  DevicesChecker(const QString& file, const QByteArray& bytes)
      : report_(file), ini_(file, QSettings::IniFormat), lines_(LinesOfKeys(bytes)) {}

  int Run() {
    const QStringList groups = ini_.childGroups();
    if (ini_.status() != QSettings::NoError) {
      report_.Add(0, QStringLiteral("error"), {}, QStringLiteral("not an INI file korvex can read"), true);
      return 1;
    }
    for (const QString& key : ini_.childKeys()) Unknown(QStringLiteral("General"), key);
    // The network cameras are read by korvex's own reader, which says what it passed over.
    for (const auto& problem : korvex::ReadNetworkCameras(ini_).problems)
      Warning(problem.section, problem.key, problem.text);
    for (const QString& group : groups) {
      if (group == QLatin1String("audio"))
        Audio();
      else if (group.startsWith(kDevicePrefix))
        Device(group);
      else if (!group.startsWith(korvex::kNetworkSectionPrefix))
        Warning(
            group, {},
            QStringLiteral("not a section korvex reads (\"audio\", \"device <name>\" or \"network <n>\")"));
    }
    Print(stdout, report_.File() + QStringLiteral(": korvex reads this file (warnings: %1)").arg(warnings_));
    return 0;
  }

 private:
  void Warning(const QString& group, const QString& key, const QString& detail) {
    ++warnings_;
    const int line = lines_.value(key.isEmpty() ? group : group + QLatin1Char('/') + key, 0);
    report_.Add(line, QStringLiteral("warning"),
                key.isEmpty() ? QStringLiteral("[%1]").arg(group) : QStringLiteral("[%1] %2").arg(group, key),
                detail);
  }

  void Unknown(const QString& group, const QString& key) {
    Warning(group, key, QStringLiteral("not a key korvex reads; ignored"));
  }

  std::optional<int> Number(const QString& group, const QString& key) {
    bool ok = false;
    const int value = ini_.value(group + QLatin1Char('/') + key).toString().trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return value;
  }

  void Audio() {
    const korvex::AudioFormat defaults;
    const QString group = QStringLiteral("audio");
    korvex::AudioFormat a;
    QStringList bad;
    const auto read = [&](const char* name, int& field) {
      const QString key = QLatin1String(name);
      if (!ini_.contains(group + QLatin1Char('/') + key)) return;
      if (const std::optional<int> v = Number(group, key))
        field = *v;
      else
        field = 0;  // korvex reads what is not a number as 0
    };
    read("rate", a.rate);
    read("channels", a.channels);
    read("bits", a.bits);
    // korvex's own limits: one bad value sends all three back to their defaults.
    if (a.rate < 8000 || a.rate > 192000) bad << QStringLiteral("rate");
    if (a.channels < 1 || a.channels > 2) bad << QStringLiteral("channels");
    if (a.bits != 8 && a.bits != 16) bad << QStringLiteral("bits");
    for (const QString& key : bad)
      Warning(
          group, key,
          QStringLiteral("%1 is outside what korvex records (rate 8000 to 192000, 1 or 2 channels, 8 or 16 "
                         "bits): recordings use %2 Hz, %3 channel, %4 bits")
              .arg(ini_.value(group + QLatin1Char('/') + key).toString())
              .arg(defaults.rate)
              .arg(defaults.channels)
              .arg(defaults.bits));
    ini_.beginGroup(group);
    const QStringList keys = ini_.allKeys();
    ini_.endGroup();
    for (const QString& key : keys)
      if (key != QLatin1String("rate") && key != QLatin1String("channels") && key != QLatin1String("bits"))
        Unknown(group, key);
  }

  void Device(const QString& group) {
    ini_.beginGroup(group);
    const QStringList keys = ini_.allKeys();
    ini_.endGroup();
    for (const QString& key : keys) {
      if (key.startsWith(kControls)) {
        if (!Number(group, key))
          Warning(group, key,
                  QStringLiteral("\"%1\" is not a whole number: the device keeps its own value")
                      .arg(ini_.value(group + QLatin1Char('/') + key).toString()));
      } else if (!kFormatKeys.contains(key)) {
        Unknown(group, key);
      }
    }
    Format(group);
  }

  // The stored format as korvex reads it: without "width" there is none; a format that is not valid is
  // dropped and the device opens at its default format.
  void Format(const QString& group) {
    const auto has = [&](const QString& key) { return ini_.contains(group + QLatin1Char('/') + key); };
    const QString fallback = QStringLiteral("the device opens at its default format (640x480 where offered)");
    if (!has(QStringLiteral("width"))) {
      for (const QString& key : kFormatKeys)
        if (has(key)) {
          Warning(group, key, QStringLiteral("no width stored, so no format is read: ") + fallback);
          return;
        }
      return;
    }
    // Read as korvex reads it: width and height without a default, 30/1 frames per second by default, a
    // value that is not a number as 0.
    korvex::VideoFormat f;
    QStringList why;
    const auto read = [&](const QString& key, int& field) {
      if (!has(key)) {
        if (key == QLatin1String("height")) why << QStringLiteral("no height");
        return;
      }
      const std::optional<int> v = Number(group, key);
      field = v.value_or(0);
      if (!v)
        why << QStringLiteral("%1 is not a number").arg(key);
      else if (*v <= 0)
        why << QStringLiteral("%1 is %2").arg(key).arg(*v);
    };
    read(QStringLiteral("width"), f.width);
    read(QStringLiteral("height"), f.height);
    read(QStringLiteral("fpsNum"), f.fpsNum);
    read(QStringLiteral("fpsDen"), f.fpsDen);
    f.pixelFormat = ini_.value(group + QStringLiteral("/pixelFormat")).toString();
    if (f.IsValid()) return;
    QString key = QStringLiteral("width");
    if (f.pixelFormat.isEmpty()) {
      why << QStringLiteral("no pixelFormat");
      if (has(QStringLiteral("pixelFormat"))) key = QStringLiteral("pixelFormat");
    }
    Warning(group, key,
            QStringLiteral("the stored format %1x%2 is not used (%3): ")
                    .arg(f.width)
                    .arg(f.height)
                    .arg(why.join(QStringLiteral(", "))) +
                fallback);
  }

  Report report_;
  QSettings ini_;
  QHash<QString, int> lines_;
  int warnings_ = 0;
};

}  // namespace

QString DefaultDevicesFile() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return QDir(base).filePath(QStringLiteral("korvex/devices.ini"));
}

int CheckDevicesFile(const QString& file, bool named) {
  QFile f(file);
  if (!f.exists()) {
    if (named) {
      Print(stderr, file + QStringLiteral(": no such file"));
      return 2;
    }
    Print(stdout, file + QStringLiteral(": no such file yet (every device opens at its default format)"));
    return 0;
  }
  if (!f.open(QIODevice::ReadOnly)) {
    Report(file).Add(0, QStringLiteral("error"), {}, QStringLiteral("cannot be read: ") + f.errorString(),
                     true);
    return 1;
  }
  return DevicesChecker(file, f.readAll()).Run();
}

}  // namespace quorvin::tool
