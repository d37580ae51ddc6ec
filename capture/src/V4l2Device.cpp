#include "V4l2Device.h"

#include "GstHandles.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

namespace korvex {

namespace {

// Closes the descriptor however the control code leaves.
class Fd {
 public:
  explicit Fd(const QString& path)
      : fd_(::open(path.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

int Xioctl(int fd, unsigned long request, void* arg) {
  int r;
  do r = ::ioctl(fd, request, arg);
  while (r < 0 && errno == EINTR);
  return r;
}

QStringList Fourccs(const GstStructure* s) {
  const QString media = ToQString(gst_structure_get_name(s));
  if (media == QLatin1String("image/jpeg")) return {QStringLiteral("MJPG")};
  if (media != QLatin1String("video/x-raw")) return {};
  const GValue* v = gst_structure_get_value(s, "format");
  if (!v) return {};
  if (G_VALUE_HOLDS_STRING(v)) return {ToQString(g_value_get_string(v))};
  QStringList out;
  if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
      const GValue* item = gst_value_list_get_value(v, i);
      if (G_VALUE_HOLDS_STRING(item)) out << ToQString(g_value_get_string(item));
    }
  }
  return out;
}

// An int field of caps: its values, or a range [min, max] with its step.
struct Ints {
  std::vector<int> values;
  bool range = false;
  int min = 0, max = 0, step = 1;
};

Ints IntValues(const GstStructure* s, const char* field) {
  const GValue* v = gst_structure_get_value(s, field);
  Ints out;
  if (!v) return out;
  if (G_VALUE_HOLDS_INT(v)) {
    out.values = {g_value_get_int(v)};
  } else if (GST_VALUE_HOLDS_INT_RANGE(v)) {
    out.range = true;
    out.min = gst_value_get_int_range_min(v);
    out.max = gst_value_get_int_range_max(v);
    out.step = std::max(1, gst_value_get_int_range_step(v));
  } else if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
      const GValue* item = gst_value_list_get_value(v, i);
      if (G_VALUE_HOLDS_INT(item)) out.values.push_back(g_value_get_int(item));
    }
  }
  return out;
}

// Common sizes, offered where a device accepts a range of sizes.
constexpr std::pair<int, int> kCommonSizes[] = {
    {3840, 2160}, {2560, 1440}, {1920, 1080}, {1280, 1024}, {1280, 960}, {1280, 720}, {1024, 768},
    {800, 600},   {640, 480},   {640, 360},   {352, 288},   {320, 240},  {176, 144},  {160, 120}};
constexpr int kCommonRates[] = {60, 50, 30, 25, 20, 15, 10, 5};

std::vector<std::pair<int, int>> Rates(const GstStructure* s) {
  const GValue* v = gst_structure_get_value(s, "framerate");
  std::vector<std::pair<int, int>> out;
  auto add = [&](const GValue* f) {
    if (GST_VALUE_HOLDS_FRACTION(f) && gst_value_get_fraction_numerator(f) > 0)
      out.emplace_back(gst_value_get_fraction_numerator(f), gst_value_get_fraction_denominator(f));
  };
  if (!v) return {{30, 1}};
  if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i) add(gst_value_list_get_value(v, i));
  } else if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
    // A device that cannot list its rates reports [0/1, 2147483647/1]: offer the common rates inside the
    // range, else its top.
    const GValue* lo = gst_value_get_fraction_range_min(v);
    const GValue* hi = gst_value_get_fraction_range_max(v);
    auto value = [](const GValue* f) {
      return static_cast<double>(gst_value_get_fraction_numerator(f)) / gst_value_get_fraction_denominator(f);
    };
    for (int rate : kCommonRates)
      if (rate >= value(lo) && rate <= value(hi)) out.emplace_back(rate, 1);
    if (out.empty()) add(hi);
  } else {
    add(v);
  }
  return out;
}

int Snap(int value, int low, int high, int step) {
  value = std::clamp(value, low, high);
  return low + (value - low) / step * step;
}

// A text field of a V4L2 record; it fills its array without an ending NUL when it is that long.
template <size_t N>
QString Text(const __u8 (&text)[N]) {
  const auto* chars = reinterpret_cast<const char*>(text);
  return QString::fromUtf8(chars, static_cast<qsizetype>(qstrnlen(chars, N)));
}

// The controls whose automatic mode decides whether the camera takes a manual value.
bool IsAutoMode(unsigned id) {
  switch (id) {
    case V4L2_CID_EXPOSURE_AUTO:
    case V4L2_CID_EXPOSURE_AUTO_PRIORITY:
    case V4L2_CID_AUTO_WHITE_BALANCE:
    case V4L2_CID_AUTO_N_PRESET_WHITE_BALANCE:
    case V4L2_CID_FOCUS_AUTO:
    case V4L2_CID_AUTOGAIN:
    case V4L2_CID_HUE_AUTO:
    case V4L2_CID_AUTOBRIGHTNESS:
    case V4L2_CID_ISO_SENSITIVITY_AUTO:
      return true;
    default:
      return false;
  }
}

double Fps(const VideoFormat& f) {
  return static_cast<double>(f.fpsNum) / f.fpsDen;
}

}  // namespace

QString FormatDriverVersion(const QString& driver, unsigned version) {
  return QStringLiteral("%1 %2.%3.%4")
      .arg(driver)
      .arg(version >> 16)
      .arg((version >> 8) & 0xff)
      .arg(version & 0xff);
}

std::optional<V4l2Identity> QueryNode(const QString& path) {
  Fd fd(path);
  v4l2_capability cap{};
  if (!fd.ok() || Xioctl(fd.get(), VIDIOC_QUERYCAP, &cap) != 0) return std::nullopt;
  V4l2Identity id;
  id.card = Text(cap.card);
  id.driver = Text(cap.driver);
  id.version = cap.version;
  id.path = path;
  id.busInfo = Text(cap.bus_info);
  // A camera's metadata node shares its card and bus but carries no pictures.
  const unsigned node_caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
  id.capture = node_caps & V4L2_CAP_VIDEO_CAPTURE;
  return id;
}

int MatchScore(const V4l2Identity& known, const V4l2Identity& found) {
  if (!found.capture) return 0;
  int score;
  if (!known.serial.isEmpty() && !found.serial.isEmpty())
    score = known.serial == found.serial ? 3 : 0;
  else if (!known.usbId.isEmpty() && !found.usbId.isEmpty())
    score = known.usbId == found.usbId ? 2 : 0;
  else
    score = known.card == found.card ? 1 : 0;
  if (score == 0) return 0;
  return score * 4 + (known.busInfo == found.busInfo ? 2 : 0) + (known.path == found.path ? 1 : 0);
}

V4l2Device::V4l2Device(V4l2Identity identity, V4l2Formats formats)
    : identity_(std::move(identity)),
      name_(identity_.card),
      version_(FormatDriverVersion(identity_.driver, identity_.version)),
      formats_(std::move(formats)) {}

QString V4l2Device::ProbeCaps(const QString& path) {
  EnsureGstInitialised();
  ElementPtr source(gst_element_factory_make("v4l2src", nullptr));
  if (!source) return {};
  gst_object_ref_sink(source.get());
  g_object_set(source.get(), "device", path.toLocal8Bit().constData(), nullptr);
  QString text;
  if (gst_element_set_state(source.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
    PadPtr pad(gst_element_get_static_pad(source.get(), "src"));
    CapsPtr caps(gst_pad_query_caps(pad.get(), nullptr));
    GCharPtr caps_text(caps ? gst_caps_to_string(caps.get()) : nullptr);
    text = ToQString(caps_text.get());
  }
  gst_element_set_state(source.get(), GST_STATE_NULL);
  return text;
}

V4l2Identity V4l2Device::Identity() const {
  std::lock_guard lock(mutex_);
  return identity_;
}

QString V4l2Device::Location() const {
  std::lock_guard lock(mutex_);
  return identity_.path;
}

void V4l2Device::Follow(const V4l2Identity& now) {
  std::lock_guard lock(mutex_);
  const V4l2Identity known = identity_;
  identity_ = now;
  identity_.card = known.card;
  // A provider that did not say them this time (PipeWire gives no serial) does not make them unknown.
  if (identity_.usbId.isEmpty()) identity_.usbId = known.usbId;
  if (identity_.serial.isEmpty()) identity_.serial = known.serial;
  present_ = true;
}

void V4l2Device::SetAbsent() {
  std::lock_guard lock(mutex_);
  present_ = false;
}

void V4l2Device::SetTwin() {
  std::lock_guard lock(mutex_);
  twin_ = true;
}

QString V4l2Device::KeyLocked(bool twin) const {
  // Without USB ids (a capture card, a node given by hand) the card and bus are all there is.
  const V4l2Identity& id = identity_;
  if (id.usbId.isEmpty()) return QStringLiteral("v4l2 %1 %2").arg(id.card, id.busInfo).trimmed();
  QString key = QStringLiteral("v4l2 %1 %2 %3").arg(id.card, id.usbId, id.serial).trimmed();
  return twin ? key + QLatin1Char(' ') + id.busInfo : key;
}

QString V4l2Device::SettingsKey() const {
  std::lock_guard lock(mutex_);
  return KeyLocked(twin_);
}

QStringList V4l2Device::FormerSettingsKeys() const {
  std::lock_guard lock(mutex_);
  const V4l2Identity& id = identity_;
  if (id.usbId.isEmpty()) return {};
  // Its key as a twin or not, before the serial was known, and the card-and-bus key of older versions.
  QStringList keys{KeyLocked(!twin_)};
  if (!id.serial.isEmpty()) keys << QStringLiteral("v4l2 %1 %2").arg(id.card, id.usbId);
  keys << QStringLiteral("v4l2 %1 %2").arg(id.card, id.busInfo).trimmed();
  return keys;
}

V4l2Formats V4l2Device::FormatsFromCaps(const QString& text) {
  EnsureGstInitialised();
  V4l2Formats out;
  CapsPtr caps(gst_caps_from_string(text.toUtf8().constData()));
  if (!caps) return out;
  std::set<std::tuple<QString, int, int, int, int>> seen;
  auto offer = [&](const QString& pixel, int w, int h, const std::vector<std::pair<int, int>>& rates) {
    for (const auto& [num, den] : rates)
      if (seen.emplace(pixel, w, h, num, den).second)
        out.offered.push_back(VideoFormat{w, h, num, den, pixel});
  };
  for (guint i = 0; i < gst_caps_get_size(caps.get()); ++i) {
    const GstStructure* s = gst_caps_get_structure(caps.get(), i);
    const Ints widths = IntValues(s, "width");
    const Ints heights = IntValues(s, "height");
    const auto rates = Rates(s);
    for (const QString& pixel : Fourccs(s)) {
      if (!widths.range && !heights.range) {
        for (size_t k = 0; k < std::min(widths.values.size(), heights.values.size()); ++k)
          offer(pixel, widths.values[k], heights.values[k], rates);
        continue;
      }
      // A stepwise range: its common sizes (its largest when it holds none), any size inside it on request.
      SizeRange range{pixel,
                      widths.range ? widths.min : widths.values.at(0),
                      widths.range ? widths.max : widths.values.at(0),
                      widths.step,
                      heights.range ? heights.min : heights.values.at(0),
                      heights.range ? heights.max : heights.values.at(0),
                      heights.step,
                      rates};
      bool any = false;
      for (const auto& [w, h] : kCommonSizes) {
        if (!range.HasWidth(w) || !range.HasHeight(h)) continue;
        offer(pixel, w, h, rates);
        any = true;
      }
      if (!any) offer(pixel, range.maxWidth, range.maxHeight, rates);
      out.ranges.push_back(std::move(range));
    }
  }
  return out;
}

VideoFormat V4l2Device::DefaultFormat() const {
  // 640x480 when offered (what most programs open a webcam with), uncompressed and nearest 30 fps if it
  // can be, else the first format listed.
  const VideoFormat* best = nullptr;
  auto cost = [](const VideoFormat& f) {
    return (f.pixelFormat == QLatin1String("MJPG") ? 1000.0 : 0.0) + std::abs(Fps(f) - 30.0);
  };
  for (const auto& f : formats_.offered)
    if (f.width == 640 && f.height == 480 && (!best || cost(f) < cost(*best))) best = &f;
  if (best) return *best;
  return formats_.offered.empty() ? VideoFormat{} : formats_.offered.front();
}

std::optional<VideoFormat> V4l2Device::FitFormat(const VideoFormat& wanted, FitSide side) const {
  if (side != FitSide::Whole) return FitSideInRange(wanted, side);
  // A stored or chosen format: the offered size that shares a side with it and comes nearest in the
  // other, in the same pixel format, at the nearest rate; any size inside a range as it is.
  const VideoFormat* best = nullptr;
  double best_cost = 0;
  for (const auto& f : formats_.offered) {
    if (f.pixelFormat != wanted.pixelFormat) continue;
    if (f.width != wanted.width && f.height != wanted.height) continue;
    const double cost = std::abs(f.width - wanted.width) + std::abs(f.height - wanted.height) +
                        std::abs(Fps(f) - Fps(wanted)) / 1000.0;
    if (!best || cost < best_cost) {
      best = &f;
      best_cost = cost;
    }
  }
  if (best && best_cost < 1) return *best;
  for (const auto& r : formats_.ranges) {
    if (r.pixelFormat == wanted.pixelFormat && r.HasWidth(wanted.width) && r.HasHeight(wanted.height))
      return FitSideInRange(wanted, FitSide::Width);
  }
  if (!best) return std::nullopt;
  return *best;
}

std::optional<VideoFormat> V4l2Device::FitSideInRange(const VideoFormat& wanted, FitSide side) const {
  // A width or height set alone: that side exactly, in any pixel format (the larger sizes of a webcam
  // are often MJPEG only); then the other side nearest, then the rate, then the same pixel format.
  const bool by_width = side != FitSide::Height;
  std::optional<VideoFormat> best;
  double best_cost = 0;
  auto consider = [&](const VideoFormat& f) {
    const double cost =
        (by_width ? std::abs(f.height - wanted.height) : std::abs(f.width - wanted.width)) * 1e4 +
        std::abs(Fps(f) - Fps(wanted)) * 10 + (f.pixelFormat != wanted.pixelFormat ? 1 : 0);
    if (!best || cost < best_cost) {
      best = f;
      best_cost = cost;
    }
  };
  for (const auto& f : formats_.offered)
    if (by_width ? f.width == wanted.width : f.height == wanted.height) consider(f);
  for (const auto& r : formats_.ranges) {
    if (by_width ? !r.HasWidth(wanted.width) : !r.HasHeight(wanted.height)) continue;
    VideoFormat f = wanted;
    f.pixelFormat = r.pixelFormat;
    if (by_width)
      f.height = Snap(wanted.height, r.minHeight, r.maxHeight, r.heightStep);
    else
      f.width = Snap(wanted.width, r.minWidth, r.maxWidth, r.widthStep);
    for (const auto& [num, den] : r.rates) {
      f.fpsNum = num;
      f.fpsDen = den;
      consider(f);
    }
  }
  return best;
}

std::vector<DeviceControl> V4l2Device::Controls() const {
  std::lock_guard lock(mutex_);
  std::vector<DeviceControl> out;
  if (!present_) return out;
  Fd fd(identity_.path);
  if (!fd.ok()) return out;
  v4l2_queryctrl query{};
  query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
  while (Xioctl(fd.get(), VIDIOC_QUERYCTRL, &query) == 0) {
    const bool usable = !(query.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY));
    if (usable && (query.type == V4L2_CTRL_TYPE_INTEGER || query.type == V4L2_CTRL_TYPE_BOOLEAN ||
                   query.type == V4L2_CTRL_TYPE_MENU)) {
      DeviceControl c;
      c.id = QString::number(query.id);
      c.label = Text(query.name);
      c.kind = query.type == V4L2_CTRL_TYPE_BOOLEAN ? DeviceControl::Kind::Boolean
               : query.type == V4L2_CTRL_TYPE_MENU  ? DeviceControl::Kind::Menu
                                                    : DeviceControl::Kind::Integer;
      c.minimum = query.minimum;
      c.maximum = query.maximum;
      c.step = std::max<int>(1, query.step);
      c.defaultValue = query.default_value;
      c.inactive = query.flags & V4L2_CTRL_FLAG_INACTIVE;
      c.writeOnly = query.flags & V4L2_CTRL_FLAG_WRITE_ONLY;
      c.isVolatile = query.flags & V4L2_CTRL_FLAG_VOLATILE;
      c.autoMode = IsAutoMode(query.id);
      v4l2_control value{};
      value.id = query.id;
      // A write-only control (a relative move) has nothing to read: it rests at its default.
      c.value =
          !c.writeOnly && Xioctl(fd.get(), VIDIOC_G_CTRL, &value) == 0 ? value.value : query.default_value;
      if (c.kind == DeviceControl::Kind::Menu) {
        // Menus may have gaps: only the items the device answers for are offered.
        for (int i = query.minimum; i <= query.maximum; ++i) {
          v4l2_querymenu item{};
          item.id = query.id;
          item.index = static_cast<unsigned>(i);
          if (Xioctl(fd.get(), VIDIOC_QUERYMENU, &item) != 0) continue;
          c.menuItems << Text(item.name);
          c.menuValues << i;
        }
      }
      out.push_back(c);
    }
    query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
  }
  return out;
}

bool V4l2Device::SetControl(const QString& id, int value) {
  std::lock_guard lock(mutex_);
  bool numeric = false;
  const unsigned cid = id.toUInt(&numeric);
  if (!numeric || !present_) return false;
  Fd fd(identity_.path);
  if (!fd.ok()) return false;
  v4l2_control control{};
  control.id = cid;
  control.value = value;
  return Xioctl(fd.get(), VIDIOC_S_CTRL, &control) == 0;
}

GstElement* V4l2Device::CreateSource(QString* error) {
  std::lock_guard lock(mutex_);
  // The node must still hold this camera: after an unplug it may be gone or hold another one.
  const auto now = present_ ? QueryNode(identity_.path) : std::nullopt;
  if (!now || MatchScore(identity_, *now) == 0) {
    if (error) *error = QStringLiteral("%1 is not connected").arg(identity_.card);
    return nullptr;
  }
  GstElement* source = gst_element_factory_make("v4l2src", nullptr);
  if (!source) {
    if (error) *error = QStringLiteral("v4l2src is not installed");
    return nullptr;
  }
  g_object_set(source, "device", identity_.path.toLocal8Bit().constData(), nullptr);
  return source;
}

}  // namespace korvex
