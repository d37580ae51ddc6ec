#include <korvex/TestPatternDevice.h>

#include "GstHandles.h"

#include <QObject>
#include <algorithm>

namespace korvex {

namespace {
// videotestsrc's own pattern numbers, in its order, up to the ones that make sense for a camera test.
const QStringList kPatterns = {
    QStringLiteral("SMPTE colour bars"),
    QStringLiteral("Snow"),
    QStringLiteral("Black"),
    QStringLiteral("White"),
    QStringLiteral("Red"),
    QStringLiteral("Green"),
    QStringLiteral("Blue"),
    QStringLiteral("Checkers 1"),
    QStringLiteral("Checkers 2"),
    QStringLiteral("Checkers 4"),
    QStringLiteral("Checkers 8"),
    QStringLiteral("Circular"),
    QStringLiteral("Blink"),
    QStringLiteral("SMPTE 75%"),
    QStringLiteral("Zone plate"),
    QStringLiteral("Gamut"),
    QStringLiteral("Chroma zone plate"),
    QStringLiteral("Solid colour"),
    QStringLiteral("Ball"),
};
constexpr int kMaxMotion = 64;
}  // namespace

TestPatternDevice::TestPatternDevice() {
  EnsureGstInitialised();
}

TestPatternDevice::~TestPatternDevice() = default;

void TestPatternDevice::ElementUnref::operator()(GstElement* element) const {
  if (element) gst_object_unref(element);
}

QString TestPatternDevice::Version() const {
  return QStringLiteral("videotestsrc %1").arg(ToQString(gst_version_string()).section(QLatin1Char(' '), 1));
}

std::vector<VideoFormat> TestPatternDevice::Formats() const {
  std::vector<VideoFormat> formats;
  const int sizes[][2] = {{320, 240}, {640, 480}, {800, 600}, {1280, 720}, {1920, 1080}, {3840, 2160}};
  for (const QString& pixel : {QStringLiteral("BGRx"), QStringLiteral("I420"), QStringLiteral("YUY2")}) {
    for (const auto& size : sizes) {
      for (int fps : {30, 25, 15, 5}) formats.push_back(VideoFormat{size[0], size[1], fps, 1, pixel});
    }
  }
  return formats;
}

VideoFormat TestPatternDevice::DefaultFormat() const {
  return VideoFormat{640, 480, 30, 1, QStringLiteral("BGRx")};
}

std::optional<VideoFormat> TestPatternDevice::FitFormat(const VideoFormat& wanted, FitSide) const {
  // The pattern is drawn at any size, so every sensible request is met exactly.
  if (!wanted.IsValid() || wanted.width > kMaxSide || wanted.height > kMaxSide) return std::nullopt;
  const auto formats = Formats();
  const bool known_pixel = std::any_of(formats.begin(), formats.end(), [&](const VideoFormat& f) {
    return f.pixelFormat == wanted.pixelFormat;
  });
  if (!known_pixel) return std::nullopt;
  return wanted;
}

std::vector<DeviceControl> TestPatternDevice::Controls() const {
  std::lock_guard lock(mutex_);
  DeviceControl pattern;
  pattern.id = QStringLiteral("pattern");
  pattern.label = QObject::tr("Pattern");
  pattern.kind = DeviceControl::Kind::Menu;
  pattern.maximum = static_cast<int>(kPatterns.size()) - 1;
  pattern.menuItems = kPatterns;
  pattern.value = pattern_;
  DeviceControl motion;
  motion.id = QStringLiteral("motion");
  motion.label = QObject::tr("Motion (pixels per frame)");
  motion.maximum = kMaxMotion;
  motion.defaultValue = 4;
  motion.value = motion_;
  return {pattern, motion};
}

bool TestPatternDevice::SetControl(const QString& id, int value) {
  std::lock_guard lock(mutex_);
  if (id == QLatin1String("pattern") && value >= 0 && value < kPatterns.size()) {
    pattern_ = value;
    if (live_) g_object_set(live_.get(), "pattern", pattern_, nullptr);
    return true;
  }
  if (id == QLatin1String("motion") && value >= 0 && value <= kMaxMotion) {
    motion_ = value;
    if (live_) g_object_set(live_.get(), "horizontal-speed", motion_, nullptr);
    return true;
  }
  return false;
}

GstElement* TestPatternDevice::CreateSource(QString* error) {
  GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
  if (!source) {
    if (error) *error = QStringLiteral("videotestsrc is not installed");
    return nullptr;
  }
  std::lock_guard lock(mutex_);
  // Live, so it paces itself at the frame rate instead of spinning a core.
  g_object_set(source, "is-live", TRUE, "pattern", pattern_, "horizontal-speed", motion_, nullptr);
  live_.reset(GST_ELEMENT(gst_object_ref(source)));
  return source;
}

QString TestPatternDevice::AudioSourceDescription() const {
  return QStringLiteral("audiotestsrc is-live=true wave=sine freq=440 volume=0.3");
}

}  // namespace korvex
