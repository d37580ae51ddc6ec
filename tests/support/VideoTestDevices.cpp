#include "VideoTestDevices.h"

#include <QImage>
#include <QPainter>

namespace quorvin::test {

bool PlainVideoDevice::CopyDIB(intptr_t dc) {
  ++grabs;
  if (duringGrab) duringGrab();
  if (!delivering) return false;
  QPainter painter(reinterpret_cast<QImage*>(dc));
  painter.fillRect(0, 0, width_, height_, color_);
  return true;
}

}  // namespace quorvin::test
