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

GstElement* FaultyDevice::CreateSource(QString* error) {
  if (unplugged_) {
    if (error) *error = QStringLiteral("unplugged");
    return nullptr;
  }
  GstElement* pattern = TestPatternDevice::CreateSource(error);
  GstElement* valve = gst_element_factory_make("valve", "valve");
  GstElement* bin = gst_bin_new(nullptr);
  gst_bin_add_many(GST_BIN(bin), pattern, valve, nullptr);
  gst_element_link(pattern, valve);
  PadPtr src(gst_element_get_static_pad(valve, "src"));
  gst_element_add_pad(bin, gst_ghost_pad_new("src", src.get()));
  g_object_set(valve, "drop", stalled_ ? TRUE : FALSE, nullptr);
  bin_.reset(GST_ELEMENT(gst_object_ref(bin)));
  ++made_;
  return bin;
}

void FaultyDevice::Stall(bool stalled) {
  stalled_ = stalled;
  if (!bin_) return;
  ElementPtr valve(gst_bin_get_by_name(GST_BIN(bin_.get()), "valve"));
  g_object_set(valve.get(), "drop", stalled ? TRUE : FALSE, nullptr);
}

void FaultyDevice::Unplug() {
  unplugged_ = true;
  if (!bin_) return;
  GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "device unplugged");
  gst_element_post_message(bin_.get(), gst_message_new_error(GST_OBJECT(bin_.get()), error, "test unplug"));
  g_error_free(error);
}

std::shared_ptr<DeviceSource> SourceOf(std::vector<std::shared_ptr<CaptureDevice>> devices) {
  return std::make_shared<FixedDeviceSource>(std::move(devices));
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

bool Near(const QColor& a, const QColor& b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace korvex::test
