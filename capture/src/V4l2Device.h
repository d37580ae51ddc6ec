#pragma once
// A V4L2 video capture device. Controls are read and written with the V4L2 control ioctls, which also
// work while v4l2src streams from the same device.

#include <korvex/CaptureDevice.h>

#include <mutex>

namespace korvex {

// What tells one camera from another. The node answers card, driver, version, bus and capture
// capability itself; USB ids and serial come from the device providers (udev), when they say.
struct V4l2Identity {
  QString card;
  QString driver;
  unsigned version = 0;
  QString path;
  QString busInfo;
  QString usbId;   // "vvvv:pppp"
  QString serial;  // udev's ID_SERIAL: vendor, model and the serial number when the camera has one
  bool capture = true;
};

// The node's own answer to VIDIOC_QUERYCAP; nullopt when it does not open.
std::optional<V4l2Identity> QueryNode(const QString& path);
// How well `found` stands for the camera `known`: 0 when it is no capture node or another camera (the
// serial, else the USB ids, else the card differ); higher when more agrees, the bus and node only
// breaking ties between cameras of one model.
int MatchScore(const V4l2Identity& known, const V4l2Identity& found);

// Sizes a device accepts anywhere in a range (capture cards, loopback devices), in one pixel format.
struct SizeRange {
  QString pixelFormat;
  int minWidth = 0, maxWidth = 0, widthStep = 1;
  int minHeight = 0, maxHeight = 0, heightStep = 1;
  std::vector<std::pair<int, int>> rates;  // the choices offered for every size of the range
  bool HasWidth(int w) const { return w >= minWidth && w <= maxWidth && (w - minWidth) % widthStep == 0; }
  bool HasHeight(int h) const {
    return h >= minHeight && h <= maxHeight && (h - minHeight) % heightStep == 0;
  }
};

struct V4l2Formats {
  std::vector<VideoFormat> offered;  // what the format dialog lists, ranges included as common sizes
  std::vector<SizeRange> ranges;
};

class V4l2Device : public CaptureDevice {
 public:
  // Auto exposure and white balance of a webcam settle within about this long after the first frame.
  static constexpr int kSettleMs = 500;

  V4l2Device(V4l2Identity identity, V4l2Formats formats);

  QString Name() const override { return name_; }
  QString Version() const override { return version_; }
  QString SettingsKey() const override;
  QStringList FormerSettingsKeys() const override;
  QString Location() const override;
  std::vector<VideoFormat> Formats() const override { return formats_.offered; }
  VideoFormat DefaultFormat() const override;
  std::optional<VideoFormat> FitFormat(const VideoFormat& wanted, FitSide side) const override;
  std::vector<DeviceControl> Controls() const override;
  bool SetControl(const QString& id, int value) override;
  GstElement* CreateSource(QString* error) override;
  int SettleMs() const override { return kSettleMs; }
  // A webcam opened per grab would take half a second to settle; streaming, it costs only its delivery.
  bool StreamsUnseen() const override { return true; }

  // Formats of a device's caps: one per size, rate and pixel format it lists; ranges of sizes or rates
  // become common choices inside them.
  static V4l2Formats FormatsFromCaps(const QString& caps);
  // The formats v4l2src finds on the node, as caps text; empty when it cannot open it.
  static QString ProbeCaps(const QString& path);

  V4l2Identity Identity() const;
  // The camera was listed again, as `now`: it is reached there from now on.
  void Follow(const V4l2Identity& now);
  // The camera was not listed again; its old node may hold another camera, so nothing opens it.
  void SetAbsent();
  // Another camera of the same model and without a serial is listed: the bus tells their settings apart.
  void SetTwin();

 private:
  std::optional<VideoFormat> FitSideInRange(const VideoFormat& wanted, FitSide side) const;
  QString KeyLocked(bool twin) const;

  mutable std::mutex mutex_;
  V4l2Identity identity_;
  const QString name_, version_;
  bool present_ = true;
  bool twin_ = false;
  V4l2Formats formats_;
};

}  // namespace korvex
