#pragma once
// Whether bytes hold a whole, decodable JPEG. The time-lapse tool checks every picture with it before the
// film takes it; the fault soak checks every read of a live image.

#include <QByteArray>
#include <QSize>
#include <QString>

namespace quorvin::timelapse {

// A whole, decodable JPEG: its size and mean grey level (0 to 255), or why it is not one. Decodes at an
// eighth of the size, which reads every byte of the picture data (a cut file is found) at a fraction of
// the cost.
struct JpegCheck {
  bool ok = false;
  QSize size;
  int meanGrey = 0;
  QString problem;
};
JpegCheck CheckJpeg(const QByteArray& bytes);

}  // namespace quorvin::timelapse
