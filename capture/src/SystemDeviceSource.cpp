#include "GstHandles.h"
#include "NetworkCamera.h"
#include "V4l2Device.h"

#include <korvex/TestPatternDevice.h>

#include <linux/videodev2.h>
#include <sys/stat.h>

#include <QFile>
#include <QLoggingCategory>
#include <algorithm>
#include <mutex>
#include <optional>
#include <set>
#include <tuple>

// The cameras found, at every start: debug lines, printed only when asked for with QT_LOGGING_RULES.
Q_LOGGING_CATEGORY(lcDevices, "quorvin.capture.devices", QtInfoMsg)

namespace korvex {

QString VideoFormat::ToCapsString() const {
  if (pixelFormat == QLatin1String("MJPG"))
    return QStringLiteral("image/jpeg,width=%1,height=%2,framerate=%3/%4")
        .arg(width)
        .arg(height)
        .arg(fpsNum)
        .arg(fpsDen);
  return QStringLiteral("video/x-raw,format=%1,width=%2,height=%3,framerate=%4/%5")
      .arg(pixelFormat)
      .arg(width)
      .arg(height)
      .arg(fpsNum)
      .arg(fpsDen);
}

QString VideoFormat::Describe() const {
  const double fps = fpsDen ? static_cast<double>(fpsNum) / fpsDen : 0;
  return QStringLiteral("%1 x %2, %3 fps, %4").arg(width).arg(height).arg(fps, 0, 'g', 4).arg(pixelFormat);
}

namespace {

QString StringProperty(const GstStructure* props, const char* key) {
  return props ? ToQString(gst_structure_get_string(props, key)) : QString();
}

// A number the V4L2 provider gives as an unsigned field and PipeWire as text ("6.1.0", "04200001").
std::optional<unsigned> NumberProperty(const GstStructure* props, const char* uintKey, const char* textKey,
                                       bool dotted) {
  guint value = 0;
  if (props && gst_structure_get_uint(props, uintKey, &value)) return value;
  const QString text = StringProperty(props, textKey);
  if (text.isEmpty()) return std::nullopt;
  bool ok = false;
  if (!dotted) {
    const unsigned hex = text.toUInt(&ok, 16);
    return ok ? std::optional(hex) : std::nullopt;
  }
  const QStringList parts = text.split(QLatin1Char('.'));
  unsigned version = 0;
  for (int i = 0; i < 3; ++i) version = version << 8 | (i < parts.size() ? parts[i].toUInt() & 0xff : 0);
  return version;
}

// "vvvv:pppp" from the providers' USB ids: udev's hex ("046d"), PipeWire's "0x046d" (older PipeWire wrote
// them in decimal).
QString UsbId(const GstStructure* props, bool pipewire) {
  auto id = [&](const char* key) -> std::optional<unsigned> {
    QString text = StringProperty(props, key);
    int base = pipewire ? 10 : 16;
    if (text.startsWith(QLatin1String("0x"))) {
      text = text.mid(2);
      base = 16;
    }
    bool ok = false;
    const unsigned value = text.toUInt(&ok, base);
    return ok && value <= 0xffff ? std::optional(value) : std::nullopt;
  };
  const auto vendor = id("device.vendor.id"), product = id("device.product.id");
  if (!vendor || !product) return {};
  return QStringLiteral("%1:%2").arg(*vendor, 4, 16, QLatin1Char('0')).arg(*product, 4, 16, QLatin1Char('0'));
}

// A camera as one provider reported it.
struct Sighting {
  V4l2Identity id;
  QString caps;       // the provider's caps
  bool probe = true;  // formats are asked of the node itself (anything but the V4L2 provider)
};

// The node, then what the provider says of it when the node does not open. PipeWire's display name
// ("USB_Camera (V4L2)") is no card name: the node's own answer is.
std::optional<Sighting> SightingOf(GstDevice* device) {
  StructurePtr props(gst_device_get_properties(device));
  const GstStructure* p = props.get();
  const QString api = StringProperty(p, "device.api");
  if (!api.isEmpty() && api != QLatin1String("v4l2")) return std::nullopt;  // libcamera and others
  QString path = StringProperty(p, "api.v4l2.path");
  if (path.isEmpty()) path = StringProperty(p, "device.path");
  const QString object = StringProperty(p, "object.path");
  if (path.isEmpty() && object.startsWith(QLatin1String("v4l2:"))) path = object.mid(5);
  if (path.isEmpty()) return std::nullopt;

  const bool v4l2_provider = p && gst_structure_has_field(p, "v4l2.device.card");
  Sighting s;
  s.probe = !v4l2_provider;
  if (auto node = QueryNode(path)) {
    s.id = *node;
  } else {
    const char* prefix = v4l2_provider ? "v4l2.device." : "api.v4l2.cap.";
    auto text = [&](const char* key) { return StringProperty(p, (QByteArray(prefix) + key).constData()); };
    s.id.path = path;
    s.id.card = text("card");
    if (s.id.card.isEmpty()) s.id.card = ToQString(GCharPtr(gst_device_get_display_name(device)).get());
    s.id.driver = text("driver");
    s.id.busInfo = text("bus_info");
    s.id.version = NumberProperty(p, "v4l2.device.version", "api.v4l2.cap.version", true).value_or(0);
    const auto caps = NumberProperty(p, "v4l2.device.device_caps", "api.v4l2.cap.device-caps", false);
    s.id.capture = !caps || (*caps & V4L2_CAP_VIDEO_CAPTURE);
  }
  s.id.usbId = UsbId(p, !v4l2_provider);
  s.id.serial = StringProperty(p, "device.serial");
  CapsPtr caps(gst_device_get_caps(device));
  GCharPtr caps_text(caps ? gst_caps_to_string(caps.get()) : nullptr);
  s.caps = ToQString(caps_text.get());
  return s;
}

class SystemDeviceSource : public DeviceSource {
 public:
  ~SystemDeviceSource() override {
    if (monitor_) gst_device_monitor_stop(monitor_.get());
  }

  std::vector<std::shared_ptr<CaptureDevice>> Enumerate() override {
    EnsureGstInitialised();
    const QString nodes = qEnvironmentVariable("KORVEX_V4L2_NODES");
    std::vector<Sighting> seen;
    if (!nodes.isEmpty()) {
      for (const QString& path : nodes.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (auto node = QueryNode(path)) seen.push_back(Sighting{*node, {}, true});
    } else {
      seen = Monitored();
    }
    std::vector<std::shared_ptr<CaptureDevice>> devices;
    for (auto& camera : Assign(OnePerNode(std::move(seen)))) devices.push_back(std::move(camera));
    for (auto& camera : NetworkCameras()) devices.push_back(std::move(camera));
    if (qEnvironmentVariableIntValue("KORVEX_NO_TEST_DEVICE") != 1) devices.push_back(testDevice_);
    return devices;
  }

  void Watch(std::function<void()> changed) override {
    std::lock_guard lock(watchMutex_);
    changed_ = std::move(changed);
  }

 private:
  std::vector<Sighting> Monitored() {
    if (!monitor_) StartMonitor();
    std::vector<Sighting> seen;
    GList* list = gst_device_monitor_get_devices(monitor_.get());
    for (GList* l = list; l; l = l->next) {
      DevicePtr device(GST_DEVICE(l->data));  // the list's reference is ours
      if (auto s = SightingOf(device.get())) seen.push_back(std::move(*s));
    }
    g_list_free(list);
    return seen;
  }

  void StartMonitor() {
    monitor_.reset(gst_device_monitor_new());
    CapsPtr caps(gst_caps_new_empty_simple("video/x-raw"));
    gst_caps_append_structure(caps.get(), gst_structure_new_empty("image/jpeg"));
    gst_device_monitor_add_filter(monitor_.get(), "Video/Source", caps.get());
    // PipeWire and libcamera hide the V4L2 provider; its devices carry the udev serial, so keep them.
    g_object_set(monitor_.get(), "show-all", TRUE, nullptr);
    BusPtr bus(gst_device_monitor_get_bus(monitor_.get()));
    gst_bus_set_sync_handler(
        bus.get(),
        [](GstBus*, GstMessage* message, gpointer data) {
          const auto type = GST_MESSAGE_TYPE(message);
          if (type == GST_MESSAGE_DEVICE_ADDED || type == GST_MESSAGE_DEVICE_REMOVED ||
              type == GST_MESSAGE_DEVICE_CHANGED) {
            auto* self = static_cast<SystemDeviceSource*>(data);
            std::lock_guard lock(self->watchMutex_);
            if (self->changed_) self->changed_();
          }
          gst_message_unref(message);
          return GST_BUS_DROP;
        },
        this, nullptr);
    gst_device_monitor_start(monitor_.get());
  }

  // What devices.ini declares, parsed again only when the file changed: the list is read every few
  // seconds while a camera is missing, and at each failed connect.
  const korvex::NetworkCameras& Declared() {
    const QString file = DeviceSettingsFile();
    struct stat st {};
    const bool there = ::stat(QFile::encodeName(file).constData(), &st) == 0;
    const FileStamp stamp{file,
                          there ? static_cast<long long>(st.st_ino) : -1,
                          st.st_size,
                          st.st_mtim.tv_sec,
                          st.st_mtim.tv_nsec,
                          st.st_ctim.tv_sec,
                          st.st_ctim.tv_nsec};
    if (declaredStamp_ == stamp) return declared_;
    declaredStamp_ = stamp;
    declared_ = ReadNetworkCameras(file);
    for (const auto& p : declared_.problems) {
      const QString text = QStringLiteral("[%1] %2").arg(p.section, p.key) + QStringLiteral(": ") + p.text;
      if (reported_.insert(text).second) qCWarning(lcDevices).noquote() << file << text;
    }
    return declared_;
  }

  // The declared network cameras, each the same object as long as its section stays.
  std::vector<std::shared_ptr<NetworkCamera>> NetworkCameras() {
    const auto& declared = Declared();
    std::vector<std::shared_ptr<NetworkCamera>> out;
    for (const auto& entry : declared.cameras) {
      auto known = std::find_if(network_.begin(), network_.end(),
                                [&](const auto& c) { return c->Entry().section == entry.section; });
      if (known == network_.end()) {
        network_.push_back(std::make_shared<NetworkCamera>(entry));
        known = network_.end() - 1;
      } else {
        (*known)->Update(entry);
      }
      out.push_back(*known);
    }
    return out;
  }

  // Both providers may report a camera, and a provider may report it twice: one sighting per node, with
  // what each report knew.
  static std::vector<Sighting> OnePerNode(std::vector<Sighting> seen) {
    std::vector<Sighting> out;
    for (Sighting& s : seen) {
      auto same =
          std::find_if(out.begin(), out.end(), [&](const Sighting& o) { return o.id.path == s.id.path; });
      if (same == out.end()) {
        if (s.id.capture) out.push_back(std::move(s));
        continue;
      }
      if (same->id.usbId.isEmpty()) same->id.usbId = s.id.usbId;
      if (same->id.serial.isEmpty()) same->id.serial = s.id.serial;
      if (same->probe && !s.probe) {
        same->caps = s.caps;
        same->probe = false;
      }
    }
    return out;
  }

  // The cameras of a listing, in its order: each known camera takes the sighting that fits it best (one
  // camera per node, one node per camera); the rest are new.
  std::vector<std::shared_ptr<V4l2Device>> Assign(const std::vector<Sighting>& seen) {
    struct Pair {
      int score;
      size_t known, seen;
    };
    std::vector<Pair> pairs;
    for (size_t k = 0; k < known_.size(); ++k) {
      const V4l2Identity id = known_[k]->Identity();
      for (size_t s = 0; s < seen.size(); ++s)
        if (const int score = MatchScore(id, seen[s].id)) pairs.push_back({score, k, s});
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const Pair& a, const Pair& b) { return a.score > b.score; });
    std::vector<std::shared_ptr<V4l2Device>> out(seen.size());
    std::vector<bool> taken(known_.size());
    for (const Pair& p : pairs) {
      if (taken[p.known] || out[p.seen]) continue;
      taken[p.known] = true;
      out[p.seen] = known_[p.known];
      out[p.seen]->Follow(seen[p.seen].id);
    }
    for (size_t k = 0; k < known_.size(); ++k)
      if (!taken[k]) known_[k]->SetAbsent();
    for (size_t s = 0; s < seen.size(); ++s) {
      if (out[s]) continue;
      auto formats =
          V4l2Device::FormatsFromCaps(seen[s].probe ? V4l2Device::ProbeCaps(seen[s].id.path) : seen[s].caps);
      if (formats.offered.empty()) formats = V4l2Device::FormatsFromCaps(seen[s].caps);
      if (formats.offered.empty()) continue;
      qCDebug(lcDevices) << "found" << seen[s].id.card << seen[s].id.path << seen[s].id.usbId;
      out[s] = std::make_shared<V4l2Device>(seen[s].id, std::move(formats));
      known_.push_back(out[s]);
    }
    out.erase(std::remove(out.begin(), out.end(), nullptr), out.end());
    // Two cameras of one model without serial numbers share a key; the bus tells their settings apart.
    for (const auto& a : out)
      for (const auto& b : out)
        if (a != b && a->SettingsKey() == b->SettingsKey()) a->SetTwin();
    return out;
  }

  DeviceMonitorPtr monitor_;
  std::vector<std::shared_ptr<V4l2Device>> known_;
  std::vector<std::shared_ptr<NetworkCamera>> network_;
  // devices.ini's path, node, size and change times when it was last parsed
  using FileStamp = std::tuple<QString, long long, long long, long long, long long, long long, long long>;
  std::optional<FileStamp> declaredStamp_;
  korvex::NetworkCameras declared_;
  std::set<QString> reported_;  // devices.ini findings already written to standard error
  const std::shared_ptr<TestPatternDevice> testDevice_ = std::make_shared<TestPatternDevice>();
  std::mutex watchMutex_;
  std::function<void()> changed_;
};

}  // namespace

std::shared_ptr<DeviceSource> MakeSystemDeviceSource() {
  return std::make_shared<SystemDeviceSource>();
}

}  // namespace korvex
