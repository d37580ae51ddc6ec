#pragma once
// Scanner-class sources through SANE: the sources the imaging control calls TWAIN sources.

#include <QString>
#include <QStringList>

#include <opencv2/core.hpp>

#include <vector>

namespace quorvin::imaging {

class SaneSource {
 public:
  // Starts SANE once per process and lists the local devices (network backends can take seconds).
  // Returns false when SANE cannot start.
  static bool Init();
  // Device names of the last Init, in SANE's order.
  static const QStringList& Devices();
  // The SANE version the backends report ("1.2.1"), starting SANE without listing devices; empty when SANE
  // cannot start.
  static QString Version();

  // A device of the last Init as the device list shows it: what it is and the scan modes and resolutions
  // it offers (empty when it cannot be opened).
  struct Description {
    QString name, vendor, model, type;
    QStringList modes;
    QString resolutions;  // dots per inch: "75, 150, 300" or "1 to 1200"
  };
  static std::vector<Description> Describe();
  // Opens the device, sets colour mode and the resolution, reads one frame and closes the device.
  // Throws ImagingError with SANE's reason when the device cannot be opened or read.
  static cv::Mat Acquire(const QString& device, int dotsPerInch);
};

}  // namespace quorvin::imaging
