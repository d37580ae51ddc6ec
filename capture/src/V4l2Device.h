#pragma once
// A V4L2 video capture device. Controls are read and written with the V4L2 control ioctls, which also
// work while v4l2src streams from the same device.

#include <korvex/CaptureDevice.h>

#include <mutex>

namespace korvex {

struct V4l2Identity {
  QString card;
  QString driver;
  unsigned version = 0;
  QString path;
  QString busInfo;
};

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
  // Asks the node itself (VIDIOC_QUERYCAP, then v4l2src for its formats); null unless it is a video
  // capture node that offers a format.
  static std::shared_ptr<V4l2Device> Probe(const QString& path);

  QString Name() const override { return identity_.card; }
  QString Version() const override { return FormatDriverVersion(identity_.driver, identity_.version); }
  QString SettingsKey() const override;
  std::vector<VideoFormat> Formats() const override { return formats_.offered; }
  VideoFormat DefaultFormat() const override;
  std::optional<VideoFormat> FitFormat(const VideoFormat& wanted, FitSide side) const override;
  std::vector<DeviceControl> Controls() const override;
  bool SetControl(const QString& id, int value) override;
  GstElement* CreateSource(QString* error) override;
  int SettleMs() const override { return kSettleMs; }

  // Formats of a device's caps: one per size, rate and pixel format it lists; ranges of sizes or rates
  // become common choices inside them.
  static V4l2Formats FormatsFromCaps(const QString& caps);

 private:
  bool LocateDevice();
  std::optional<VideoFormat> FitSideInRange(const VideoFormat& wanted, FitSide side) const;

  mutable std::mutex mutex_;
  V4l2Identity identity_;
  V4l2Formats formats_;
};

}  // namespace korvex
