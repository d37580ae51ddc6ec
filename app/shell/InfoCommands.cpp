#include "InfoCommands.h"

#include "SaneSource.h"
#include "Settings.h"

#include <korvex/CaptureDevice.h>
#include <korvex/CaptureWindow.h>

#include <QCoreApplication>

#include <gst/gst.h>
#include <jconfig.h>
#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <map>

namespace quorvin {
namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("quorvin", text);
}

QString Rate(const korvex::VideoFormat& f) {
  return QString::number(static_cast<double>(f.fpsNum) / f.fpsDen, 'g', 4);
}

QString Size(const korvex::VideoFormat& f) {
  return QStringLiteral("%1x%2").arg(f.width).arg(f.height);
}

// One line per pixel format and list of rates: "YUY2  640x480, 320x240 at 30, 15 fps".
QStringList FormatLines(const std::vector<korvex::VideoFormat>& formats) {
  QStringList pixels;
  for (const auto& f : formats)
    if (!pixels.contains(f.pixelFormat)) pixels << f.pixelFormat;
  QStringList lines;
  for (const QString& pixel : pixels) {
    QStringList sizes;  // in the device's order
    std::map<QString, QStringList> rates;
    for (const auto& f : formats) {
      if (f.pixelFormat != pixel) continue;
      if (!sizes.contains(Size(f))) sizes << Size(f);
      if (!rates[Size(f)].contains(Rate(f))) rates[Size(f)] << Rate(f);
    }
    QStringList rateLists;  // sizes that share their rates share a line
    std::map<QString, QStringList> sizesByRates;
    for (const QString& size : sizes) {
      const QString r = rates[size].join(QStringLiteral(", "));
      if (!rateLists.contains(r)) rateLists << r;
      sizesByRates[r] << size;
    }
    for (const QString& r : rateLists)
      lines << QStringLiteral("%1  %2 at %3 fps")
                   .arg(pixel, -4)
                   .arg(sizesByRates[r].join(QStringLiteral(", ")), r);
  }
  return lines;
}

QString Indented(const QString& text, int blanks) {
  const QString pad(blanks, QLatin1Char(' '));
  return pad + QString(text).replace(QLatin1Char('\n'), QLatin1Char('\n') + pad);
}

QString VideoDevices(korvex::DeviceSource& source) {
  auto devices = source.Enumerate();
  // The device list holds as many as the recorder's list does.
  if (devices.size() > size_t{korvex::CaptureWindow::kMaxDrivers})
    devices.resize(korvex::CaptureWindow::kMaxDrivers);
  QString text = Tr("Video devices, numbered as DevIndex counts them (used when op3(1) = 1):\n");
  if (devices.empty()) text += Tr("  none: the recorder's list shows \"No Devices\"\n");
  for (size_t i = 0; i < devices.size(); ++i) {
    const korvex::CaptureDevice& d = *devices[i];
    text += QStringLiteral("  %1  %2\n").arg(i).arg(d.Name());
    text += Tr("     driver   %1\n").arg(d.Version());
    if (const QString address = d.Address(); !address.isEmpty())
      text += Tr("     network  %1\n").arg(address);
    const auto formats = d.Formats();
    const QStringList lines = FormatLines(formats);
    text +=
        Tr("     formats  %1\n")
            .arg(lines.isEmpty() ? (d.Address().isEmpty() ? Tr("none listed") : Tr("what the camera sends"))
                                 : lines.join(QStringLiteral("\n              ")));
    if (formats.empty()) continue;
    const auto largest = std::max_element(formats.begin(), formats.end(), [](const auto& a, const auto& b) {
      return int64_t{a.width} * a.height < int64_t{b.width} * b.height;
    });
    text += Tr("     to open it at %1 %2 %3 fps, put this section into %4:\n")
                .arg(Size(*largest), largest->pixelFormat, Rate(*largest), korvex::DeviceSettingsFile());
    text += Indented(korvex::DeviceSettingsSection(d, *largest), 7) + QLatin1Char('\n');
  }
  return text;
}

QString ScannerSources() {
  QString text = Tr("Scanner sources, numbered as DevIndexTwain counts them (used when op3(1) = 0):\n");
  if (!imaging::SaneSource::Init()) return text + Tr("  none: SANE cannot start\n");
  const auto sources = imaging::SaneSource::Describe();
  if (sources.empty()) text += Tr("  none: the recorder's list shows \"No Devices\"\n");
  for (size_t i = 0; i < sources.size(); ++i) {
    const auto& s = sources[i];
    text += QStringLiteral("  %1  %2\n").arg(i).arg(s.name);
    text += Tr("     device   %1 %2 (%3)\n").arg(s.vendor, s.model, s.type);
    text += Tr("     driver   %1\n").arg(s.name.section(QLatin1Char(':'), 0, 0));
    text += Tr("     modes    %1\n")
                .arg(s.modes.isEmpty() ? Tr("not listed") : s.modes.join(QStringLiteral(", ")));
    if (!s.resolutions.isEmpty()) text += Tr("     dpi      %1\n").arg(s.resolutions);
  }
  return text;
}

}  // namespace

QString VersionText() {
  const QString sane = imaging::SaneSource::Version();
  guint major = 0, minor = 0, micro = 0, nano = 0;
  gst_version(&major, &minor, &micro, &nano);
  return QStringLiteral("quorvin18 %1\n").arg(QLatin1String(kVersionText)) +
         QStringLiteral("Qt %1\n").arg(QLatin1String(qVersion())) +
         QStringLiteral("GStreamer %1.%2.%3\n").arg(major).arg(minor).arg(micro) +
         QStringLiteral("OpenCV %1\n").arg(QString::fromStdString(cv::getVersionString())) +
         // libjpeg-turbo 2.1 has no version call: the version of the headers it was built with.
         QStringLiteral("libjpeg-turbo %1.%2.%3\n")
             .arg(LIBJPEG_TURBO_VERSION_NUMBER / 1000000)
             .arg(LIBJPEG_TURBO_VERSION_NUMBER / 1000 % 1000)
             .arg(LIBJPEG_TURBO_VERSION_NUMBER % 1000) +
         QStringLiteral("SANE %1\n").arg(sane.isEmpty() ? Tr("(cannot start)") : sane);
}

QString DeviceListText(std::shared_ptr<korvex::DeviceSource> devices) {
  if (!devices) devices = korvex::MakeSystemDeviceSource();
  return VideoDevices(*devices) + QLatin1Char('\n') + ScannerSources();
}

}  // namespace quorvin
