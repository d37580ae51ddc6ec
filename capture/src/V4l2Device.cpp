#include "V4l2Device.h"

#include "GstHandles.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QFileInfo>
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

std::vector<int> IntValues(const GstStructure* s, const char* field) {
  const GValue* v = gst_structure_get_value(s, field);
  if (!v) return {};
  if (G_VALUE_HOLDS_INT(v)) return {g_value_get_int(v)};
  if (GST_VALUE_HOLDS_INT_RANGE(v)) {
    // A stepwise size range: offer its ends; FitFormat still accepts sizes in between.
    return {gst_value_get_int_range_min(v), gst_value_get_int_range_max(v)};
  }
  if (GST_VALUE_HOLDS_LIST(v)) {
    std::vector<int> out;
    for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
      const GValue* item = gst_value_list_get_value(v, i);
      if (G_VALUE_HOLDS_INT(item)) out.push_back(g_value_get_int(item));
    }
    return out;
  }
  return {};
}

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
    add(gst_value_get_fraction_range_max(v));
  } else {
    add(v);
  }
  return out;
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

V4l2Device::V4l2Device(V4l2Identity identity, std::vector<VideoFormat> formats)
    : identity_(std::move(identity)), formats_(std::move(formats)) {}

QString V4l2Device::SettingsKey() const {
  QString key = QStringLiteral("v4l2 %1 %2").arg(identity_.card, identity_.busInfo);
  return key.trimmed();
}

std::vector<VideoFormat> V4l2Device::FormatsFromCaps(const QString& text) {
  EnsureGstInitialised();
  std::vector<VideoFormat> out;
  CapsPtr caps(gst_caps_from_string(text.toUtf8().constData()));
  if (!caps) return out;
  std::set<std::tuple<QString, int, int, int, int>> seen;
  for (guint i = 0; i < gst_caps_get_size(caps.get()); ++i) {
    const GstStructure* s = gst_caps_get_structure(caps.get(), i);
    const auto widths = IntValues(s, "width");
    const auto heights = IntValues(s, "height");
    const auto rates = Rates(s);
    for (const QString& pixel : Fourccs(s)) {
      for (size_t k = 0; k < std::min(widths.size(), heights.size()); ++k) {
        for (const auto& [num, den] : rates) {
          if (seen.emplace(pixel, widths[k], heights[k], num, den).second)
            out.push_back(VideoFormat{widths[k], heights[k], num, den, pixel});
        }
      }
    }
  }
  return out;
}

VideoFormat V4l2Device::DefaultFormat() const {
  // 640x480 when offered (what most programs open a webcam with), else the first format listed.
  for (const auto& f : formats_)
    if (f.width == 640 && f.height == 480 && f.pixelFormat != QLatin1String("MJPG")) return f;
  for (const auto& f : formats_)
    if (f.width == 640 && f.height == 480) return f;
  return formats_.empty() ? VideoFormat{} : formats_.front();
}

std::optional<VideoFormat> V4l2Device::FitFormat(const VideoFormat& wanted) const {
  // A width or height set alone keeps the other side: take the offered size that shares the side that
  // was set and comes nearest in the other, in the same pixel format, at the nearest rate.
  const VideoFormat* best = nullptr;
  double best_cost = 0;
  for (const auto& f : formats_) {
    if (f.pixelFormat != wanted.pixelFormat) continue;
    if (f.width != wanted.width && f.height != wanted.height) continue;
    const double cost = std::abs(f.width - wanted.width) + std::abs(f.height - wanted.height) +
                        std::abs(Fps(f) - Fps(wanted)) / 1000.0;
    if (!best || cost < best_cost) {
      best = &f;
      best_cost = cost;
    }
  }
  if (!best) return std::nullopt;
  return *best;
}

std::vector<DeviceControl> V4l2Device::Controls() const {
  std::lock_guard lock(mutex_);
  std::vector<DeviceControl> out;
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
      c.label = QString::fromUtf8(reinterpret_cast<const char*>(query.name));
      c.kind = query.type == V4L2_CTRL_TYPE_BOOLEAN ? DeviceControl::Kind::Boolean
               : query.type == V4L2_CTRL_TYPE_MENU  ? DeviceControl::Kind::Menu
                                                    : DeviceControl::Kind::Integer;
      c.minimum = query.minimum;
      c.maximum = query.maximum;
      c.step = std::max<int>(1, query.step);
      c.defaultValue = query.default_value;
      v4l2_control value{};
      value.id = query.id;
      c.value = Xioctl(fd.get(), VIDIOC_G_CTRL, &value) == 0 ? value.value : query.default_value;
      if (c.kind == DeviceControl::Kind::Menu) {
        for (int i = query.minimum; i <= query.maximum; ++i) {
          v4l2_querymenu item{};
          item.id = query.id;
          item.index = static_cast<unsigned>(i);
          c.menuItems << (Xioctl(fd.get(), VIDIOC_QUERYMENU, &item) == 0
                              ? QString::fromUtf8(reinterpret_cast<const char*>(item.name))
                              : QString::number(i));
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
  if (!numeric) return false;
  values_[id] = value;
  Fd fd(identity_.path);
  if (!fd.ok()) return false;
  v4l2_control control{};
  control.id = cid;
  control.value = value;
  return Xioctl(fd.get(), VIDIOC_S_CTRL, &control) == 0;
}

bool V4l2Device::LocateDevice() {
  // After an unplug the same camera may come back under another node: find it by card and bus.
  auto matches = [this](const QString& path) {
    Fd fd(path);
    v4l2_capability cap{};
    if (!fd.ok() || Xioctl(fd.get(), VIDIOC_QUERYCAP, &cap) != 0) return false;
    return QString::fromUtf8(reinterpret_cast<const char*>(cap.card)) == identity_.card &&
           (identity_.busInfo.isEmpty() ||
            QString::fromUtf8(reinterpret_cast<const char*>(cap.bus_info)) == identity_.busInfo);
  };
  if (matches(identity_.path)) return true;
  for (int i = 0; i < 64; ++i) {
    const QString path = QStringLiteral("/dev/video%1").arg(i);
    if (QFileInfo::exists(path) && matches(path)) {
      identity_.path = path;
      return true;
    }
  }
  return false;
}

GstElement* V4l2Device::CreateSource(QString* error) {
  std::lock_guard lock(mutex_);
  if (!LocateDevice()) {
    if (error) *error = QStringLiteral("%1 is not connected").arg(identity_.card);
    return nullptr;
  }
  {
    Fd fd(identity_.path);
    for (const auto& [id, value] : values_) {
      v4l2_control control{};
      control.id = id.toUInt();
      control.value = value;
      Xioctl(fd.get(), VIDIOC_S_CTRL, &control);
    }
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
