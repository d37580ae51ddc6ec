#pragma once
// Scanner-class sources through SANE: the sources the imaging control calls TWAIN sources.

#include <QString>
#include <QStringList>

#include <opencv2/core.hpp>

namespace quorvin::imaging {

class SaneSource {
 public:
  // Starts SANE once per process and lists the local devices (network backends can take seconds).
  // Returns false when SANE cannot start.
  static bool Init();
  // Device names of the last Init, in SANE's order.
  static const QStringList& Devices();
  // Opens the device, sets colour mode and the resolution, reads one frame and closes the device.
  // Throws ImagingError with SANE's reason when the device cannot be opened or read.
  static cv::Mat Acquire(const QString& device, int dotsPerInch);
};

}  // namespace quorvin::imaging
