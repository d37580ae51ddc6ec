#pragma once
// The capture devices the capture window drives, behind a small interface so that a test can offer
// its own (a device that fails, twelve devices ...). GStreamer types are only named here.

#include <korvex/KorvexTypes.h>

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

typedef struct _GstElement GstElement;

namespace korvex {

class CaptureDevice {
 public:
  virtual ~CaptureDevice() = default;

  virtual QString Name() const = 0;
  virtual QString Version() const = 0;
  // Stable name of the device's group in devices.ini.
  virtual QString SettingsKey() const = 0;
  // Names its group had before, read while its own group is still missing.
  virtual QStringList FormerSettingsKeys() const { return {}; }
  // Where the device is reached now (a camera's node); a change means its pipeline must be built again.
  virtual QString Location() const { return {}; }

  // The formats the device offers, for the format dialog.
  virtual std::vector<VideoFormat> Formats() const = 0;
  virtual VideoFormat DefaultFormat() const = 0;
  // What the device delivers when asked for `wanted`; nullopt when it cannot deliver anything close. With
  // FitSide::Width or Height that side is met exactly, in any pixel format, or nullopt.
  virtual std::optional<VideoFormat> FitFormat(const VideoFormat& wanted, FitSide side) const = 0;

  // Current values of the device's controls; empty when it has none.
  virtual std::vector<DeviceControl> Controls() const = 0;
  // Sets a control at once (also while streaming); false when the device refuses it.
  virtual bool SetControl(const QString& id, int value) = 0;

  // A new, floating source element; null (and `error` set) when the device is gone.
  virtual GstElement* CreateSource(QString* error) = 0;
  // gst-launch description of the audio source recorded with this device.
  virtual QString AudioSourceDescription() const { return QStringLiteral("autoaudiosrc"); }
  // Milliseconds from the first frame of a cold start until a frame is taken, while auto exposure settles.
  virtual int SettleMs() const { return 0; }

  // What the pipeline asks of the source for `format`.
  virtual QString CapsFor(const VideoFormat& format) const { return format.ToCapsString(); }
  // A network stream takes long to set up (an H.264 one also a key frame): it runs whenever the device is
  // connected, preview or not, so a grab takes the next frame that comes in.
  virtual bool StreamsAlways() const { return false; }
  // A device that can fall silent without an error (a network camera): silent this long while streaming,
  // it counts as lost. Such a device is connected again in the background, with growing pauses, not at
  // each grab. 0: none.
  virtual int SilenceLimitMs() const { return 0; }
  // `text` (an error of its pipeline, a status) with the device's secrets masked.
  virtual QString Redact(const QString& text) const { return text; }
  // Where a network device is reached, as it may be shown (credentials masked); empty for a local one.
  virtual QString Address() const { return {}; }
  // A device whose frames tell its size (a network camera sends what it is set to) hears the size of each
  // frame taken; true when that changed its formats. Until then its DefaultFormat has no size.
  virtual bool LearnFrameSize(int width, int height) {
    (void)width;
    (void)height;
    return false;
  }
  // Whether the device keeps streaming while its preview is on but cannot be seen, so that a grab gets
  // the next frame at once with exposure settled; otherwise it rests then and each grab starts it.
  virtual bool StreamsUnseen() const { return false; }
};

// Lists the devices: the capture window asks when it is created, when the source says devices came or
// went, and when its device cannot be reached.
class DeviceSource {
 public:
  virtual ~DeviceSource() = default;
  // The devices present now. A device listed before comes back as the same object (a camera that moved
  // to another node follows it), so the window can tell a returning camera from a new one.
  virtual std::vector<std::shared_ptr<CaptureDevice>> Enumerate() = 0;
  // `changed` runs, on any thread, whenever devices may have come or gone; null stops it. A source that
  // cannot watch never calls it.
  virtual void Watch(std::function<void()> changed) { (void)changed; }
};

// The V4L2 capture devices found by GStreamer's device monitor (its V4L2 and PipeWire providers alike,
// each camera once), then the network cameras devices.ini declares (NetworkCameras.h), then the Test
// Pattern device unless KORVEX_NO_TEST_DEVICE=1. The monitor keeps running and is watched.
// KORVEX_V4L2_NODES="/dev/video0:/dev/video2" lists those nodes instead of asking the monitor (tests without
// udev; nothing is watched then).
std::shared_ptr<DeviceSource> MakeSystemDeviceSource();

// korvex's per-device file, $XDG_CONFIG_HOME/korvex/devices.ini, and the section of it, as korvex writes
// it, that makes korvex open `device` in `format` whenever it connects it.
QString DeviceSettingsFile();
QString DeviceSettingsSection(const CaptureDevice& device, const VideoFormat& format);

// "version" of a V4L2 device: its driver name and kernel-style version (major << 16 | minor << 8 | patch).
QString FormatDriverVersion(const QString& driver, unsigned version);

}  // namespace korvex
