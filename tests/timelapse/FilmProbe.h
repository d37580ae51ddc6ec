#pragma once
// A film read back as a player would: gst-discoverer-1.0's report, and every frame decoded.

#include <QSize>
#include <QString>

#include <vector>

namespace quorvin::test {

struct Film {
  // From gst-discoverer-1.0.
  QString container, codec;
  QSize size;
  double seconds = -1;
  QString frameRate;  // "25/1"
  // Decoded here: the brightness (luma) of each frame's centre, in order.
  std::vector<int> centres;
  QString problem;  // why the film could not be read
};

Film ProbeFilm(const QString& path);

}  // namespace quorvin::test
