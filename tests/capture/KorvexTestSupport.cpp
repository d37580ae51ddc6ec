#include "KorvexTestSupport.h"

#include <gst/gst.h>

#include <QApplication>
#include <QDir>

namespace korvex::test {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "korvex-tests";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
}

void KorvexTest::SetUp() {
  EnsureApplication();
  ASSERT_TRUE(temp_.isValid());
  oldConfig_ = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", QDir(temp_.path()).filePath(QStringLiteral("config")).toLocal8Bit());
}

void KorvexTest::TearDown() {
  if (oldConfig_.isEmpty())
    qunsetenv("XDG_CONFIG_HOME");
  else
    qputenv("XDG_CONFIG_HOME", oldConfig_);
}

QString KorvexTest::DevicesIni() const {
  return QDir(temp_.path()).filePath(QStringLiteral("config/korvex/devices.ini"));
}

std::shared_ptr<DeviceSource> SingleTestDevice(int motion) {
  auto device = std::make_shared<TestPatternDevice>();
  device->SetControl(QStringLiteral("motion"), motion);
  return SourceOf({device});
}

QColor MeanColor(const QImage& image, int x, int y, int radius) {
  long r = 0, g = 0, b = 0, n = 0;
  for (int yy = y - radius; yy <= y + radius; ++yy) {
    for (int xx = x - radius; xx <= x + radius; ++xx) {
      if (!image.valid(xx, yy)) continue;
      const QRgb p = image.pixel(xx, yy);
      r += qRed(p);
      g += qGreen(p);
      b += qBlue(p);
      ++n;
    }
  }
  if (n == 0) return {};
  return QColor(int(r / n), int(g / n), int(b / n));
}

void ExpectSmpteBars(const QImage& image, int tolerance) {
  const int y = image.height() / 4;
  for (int bar = 0; bar < 7; ++bar) {
    const int x = image.width() * (2 * bar + 1) / 14;
    const QColor seen = MeanColor(image, x, y);
    EXPECT_TRUE(Near(seen, kSmpteBars[bar], tolerance))
        << "bar " << bar << " at " << x << "," << y << " is " << seen.name().toStdString();
  }
}

bool Near(const QColor& a, const QColor& b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace korvex::test
