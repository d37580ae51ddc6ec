#include "GstHandles.h"
#include "V4l2Device.h"

#include <korvex/TestPatternDevice.h>

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcDevices, "quorvin.capture.devices")

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

class SystemDeviceSource : public DeviceSource {
 public:
  static void AddMonitoredDevices(std::vector<std::shared_ptr<CaptureDevice>>& devices) {
    DeviceMonitorPtr monitor(gst_device_monitor_new());
    CapsPtr caps(gst_caps_new_empty_simple("video/x-raw"));
    gst_caps_append_structure(caps.get(), gst_structure_new_empty("image/jpeg"));
    gst_device_monitor_add_filter(monitor.get(), "Video/Source", caps.get());
    if (!gst_device_monitor_start(monitor.get())) return;
    // The list and a reference to each device are ours.
    GList* list = gst_device_monitor_get_devices(monitor.get());
    for (GList* l = list; l; l = l->next) {
      DevicePtr device(GST_DEVICE(l->data));
      GstStructure* props = gst_device_get_properties(device.get());
      StructurePtr owned(props);
      const QString api = StringProperty(props, "device.api");
      // Only V4L2 nodes: PipeWire or libcamera would list the same cameras twice.
      if (api != QLatin1String("v4l2")) continue;
      V4l2Identity id;
      id.card = StringProperty(props, "v4l2.device.card");
      if (id.card.isEmpty()) id.card = ToQString(GCharPtr(gst_device_get_display_name(device.get())).get());
      id.driver = StringProperty(props, "v4l2.device.driver");
      guint version = 0;
      if (props) gst_structure_get_uint(props, "v4l2.device.version", &version);
      id.version = version;
      id.path = StringProperty(props, "api.v4l2.path");
      if (id.path.isEmpty()) id.path = StringProperty(props, "device.path");
      id.busInfo = StringProperty(props, "v4l2.device.bus_info");
      CapsPtr device_caps(gst_device_get_caps(device.get()));
      GCharPtr caps_text(device_caps ? gst_caps_to_string(device_caps.get()) : nullptr);
      auto formats = V4l2Device::FormatsFromCaps(ToQString(caps_text.get()));
      if (formats.offered.empty()) continue;
      qCDebug(lcDevices) << "found" << id.card << id.path;
      devices.push_back(std::make_shared<V4l2Device>(std::move(id), std::move(formats)));
    }
    g_list_free(list);
    gst_device_monitor_stop(monitor.get());
  }

  std::vector<std::shared_ptr<CaptureDevice>> Enumerate() override {
    EnsureGstInitialised();
    std::vector<std::shared_ptr<CaptureDevice>> devices;
    const QString nodes = qEnvironmentVariable("KORVEX_V4L2_NODES");
    if (!nodes.isEmpty()) {
      for (const QString& path : nodes.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (auto device = V4l2Device::Probe(path)) devices.push_back(std::move(device));
    } else {
      AddMonitoredDevices(devices);
    }
    if (qEnvironmentVariableIntValue("KORVEX_NO_TEST_DEVICE") != 1)
      devices.push_back(std::make_shared<TestPatternDevice>());
    return devices;
  }
};

}  // namespace

std::shared_ptr<DeviceSource> MakeSystemDeviceSource() {
  return std::make_shared<SystemDeviceSource>();
}

}  // namespace korvex
