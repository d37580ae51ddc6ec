#include "FakeDeviceProvider.h"

#include "FakeV4l2.h"
#include "V4l2Device.h"

#include <gst/gst.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

struct FakeCamera {
  GstDevice parent;
};
struct FakeCameraClass {
  GstDeviceClass parent_class;
};
G_DEFINE_TYPE(FakeCamera, fake_camera, GST_TYPE_DEVICE)
void fake_camera_class_init(FakeCameraClass*) {}
void fake_camera_init(FakeCamera*) {}

struct FakeProvider {
  GstDeviceProvider parent;
};
struct FakeProviderClass {
  GstDeviceProviderClass parent_class;
};
G_DEFINE_TYPE(FakeProvider, fake_provider, GST_TYPE_DEVICE_PROVIDER)

struct Published {
  fakeprovider::Style style;
  std::string path;
  GstDevice* device;
};
std::mutex published_mutex;
std::vector<Published> published;

// Every monitor that starts the provider sees what is published; the provider drops its list on stop.
gboolean Start(GstDeviceProvider* provider) {
  std::lock_guard lock(published_mutex);
  for (const Published& p : published) gst_device_provider_device_add(provider, p.device);
  return TRUE;
}

void fake_provider_class_init(FakeProviderClass* klass) {
  auto* provider = GST_DEVICE_PROVIDER_CLASS(klass);
  provider->start = Start;
  gst_device_provider_class_set_static_metadata(provider, "Fake cameras", "Source/Video",
                                                "Publishes the fake V4L2 nodes", "Quorvin tests");
}
void fake_provider_init(FakeProvider*) {}

GstDeviceProvider* Provider() {
  return gst_device_provider_factory_get_by_name("fakecameras");
}

// What v4l2src finds on the node, as the V4L2 provider lists it; a plain format where it finds nothing.
GstCaps* NodeCaps(const std::string& path) {
  const QString caps = korvex::V4l2Device::ProbeCaps(QString::fromStdString(path));
  const bool none = caps.isEmpty() || caps == QLatin1String("EMPTY");
  return gst_caps_from_string(none ? "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1"
                                   : caps.toUtf8().constData());
}

std::string Underscored(std::string text) {
  std::replace(text.begin(), text.end(), ' ', '_');
  return text;
}

GstStructure* Properties(fakeprovider::Style style, const fakev4l2::Node& node) {
  const unsigned device_caps =
      (node.metadata ? V4L2_CAP_META_CAPTURE : V4L2_CAP_VIDEO_CAPTURE) | V4L2_CAP_STREAMING;
  const unsigned caps =
      V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_DEVICE_CAPS;
  const std::string vendor = node.usb.substr(0, node.usb.find(':'));
  const std::string product = node.usb.empty() ? "" : node.usb.substr(node.usb.find(':') + 1);
  if (style == fakeprovider::Style::V4l2) {
    GstStructure* p = gst_structure_new(
        "v4l2deviceprovider", "udev-probed", G_TYPE_BOOLEAN, TRUE, "device.api", G_TYPE_STRING, "v4l2",
        "device.path", G_TYPE_STRING, node.path.c_str(), "v4l2.device.driver", G_TYPE_STRING,
        node.driver.c_str(), "v4l2.device.card", G_TYPE_STRING, node.card.c_str(), "v4l2.device.bus_info",
        G_TYPE_STRING, node.bus.c_str(), "v4l2.device.version", G_TYPE_UINT, node.version,
        "v4l2.device.device_caps", G_TYPE_UINT, device_caps, nullptr);
    if (!node.usb.empty()) {
      // udev's ID_SERIAL: vendor and model, then the serial number when the camera has one.
      const std::string serial = Underscored(node.card) + (node.serial.empty() ? "" : "_" + node.serial);
      gst_structure_set(p, "device.vendor.id", G_TYPE_STRING, vendor.c_str(), "device.product.id",
                        G_TYPE_STRING, product.c_str(), "device.serial", G_TYPE_STRING, serial.c_str(),
                        nullptr);
    }
    return p;
  }
  char text[3][16];
  std::snprintf(text[0], sizeof text[0], "%u.%u.%u", node.version >> 16, (node.version >> 8) & 0xff,
                node.version & 0xff);
  std::snprintf(text[1], sizeof text[1], "%08x", caps);
  std::snprintf(text[2], sizeof text[2], "%08x", device_caps);
  const std::string description = Underscored(node.card) + " (V4L2)";
  GstStructure* p = gst_structure_new(
      "pipewire-proplist", "object.path", G_TYPE_STRING, ("v4l2:" + node.path).c_str(), "device.api",
      G_TYPE_STRING, "v4l2", "media.class", G_TYPE_STRING, "Video/Source", "api.v4l2.path", G_TYPE_STRING,
      node.path.c_str(), "api.v4l2.cap.driver", G_TYPE_STRING, node.driver.c_str(), "api.v4l2.cap.card",
      G_TYPE_STRING, node.card.c_str(), "api.v4l2.cap.bus_info", G_TYPE_STRING, node.bus.c_str(),
      "api.v4l2.cap.version", G_TYPE_STRING, text[0], "api.v4l2.cap.capabilities", G_TYPE_STRING, text[1],
      "api.v4l2.cap.device-caps", G_TYPE_STRING, text[2], "node.description", G_TYPE_STRING,
      description.c_str(), nullptr);
  if (!node.usb.empty())
    gst_structure_set(p, "device.vendor.id", G_TYPE_STRING, ("0x" + vendor).c_str(), "device.product.id",
                      G_TYPE_STRING, ("0x" + product).c_str(), nullptr);
  return p;
}

gboolean PluginInit(GstPlugin* plugin) {
  return gst_device_provider_register(plugin, "fakecameras", GST_RANK_PRIMARY, fake_provider_get_type());
}

}  // namespace

namespace fakeprovider {

void Register() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "fakecameras", "Fake cameras for tests",
                               PluginInit, "1.0", GST_LICENSE_UNKNOWN, "quorvin", "quorvin", "quorvin");
    if (GstPluginFeature* v4l2 = gst_registry_lookup_feature(gst_registry_get(), "v4l2deviceprovider")) {
      gst_plugin_feature_set_rank(v4l2, GST_RANK_NONE);
      gst_object_unref(v4l2);
    }
  });
}

bool Publish(Style style, const std::string& path) {
  const auto nodes = fakev4l2::Plugged();
  const auto node = std::find_if(nodes.begin(), nodes.end(), [&](const auto& n) { return n.path == path; });
  if (node == nodes.end()) return false;
  GstCaps* caps = NodeCaps(path);
  const std::string name = style == Style::V4l2 ? node->card : Underscored(node->card) + " (V4L2)";
  GstStructure* props = Properties(style, *node);
  auto* device = GST_DEVICE(g_object_new(fake_camera_get_type(), "display-name", name.c_str(), "caps", caps,
                                         "device-class", "Video/Source", "properties", props, nullptr));
  gst_caps_unref(caps);
  gst_structure_free(props);
  gst_object_ref_sink(device);
  std::lock_guard lock(published_mutex);
  published.push_back({style, path, device});
  GstDeviceProvider* provider = Provider();
  if (gst_device_provider_is_started(provider)) gst_device_provider_device_add(provider, device);
  gst_object_unref(provider);
  return true;
}

void Withdraw(Style style, const std::string& path) {
  std::lock_guard lock(published_mutex);
  GstDeviceProvider* provider = Provider();
  for (auto it = published.begin(); it != published.end();) {
    if (it->style != style || it->path != path) {
      ++it;
      continue;
    }
    if (gst_device_provider_is_started(provider)) gst_device_provider_device_remove(provider, it->device);
    gst_object_unref(it->device);
    it = published.erase(it);
  }
  gst_object_unref(provider);
}

void WithdrawAll() {
  while (true) {
    std::unique_lock lock(published_mutex);
    if (published.empty()) return;
    const Published p = published.front();
    lock.unlock();
    Withdraw(p.style, p.path);
  }
}

}  // namespace fakeprovider
