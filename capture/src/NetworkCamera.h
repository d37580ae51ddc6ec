#pragma once
// A network camera declared in devices.ini. Its source is a bin with one pad: for RTSP, rtspsrc and
// decodebin (raw video; the first video stream only); for HTTP, souphttpsrc and typefind, then the
// pictures as JPEG, through multipartdemux when the camera sends an MJPEG stream. The camera decides
// its size: korvex learns it from the frames it takes and offers only that size.

#include <korvex/CaptureDevice.h>
#include <korvex/NetworkCameras.h>

#include <atomic>
#include <mutex>

namespace korvex {

class NetworkCamera : public CaptureDevice {
 public:
  explicit NetworkCamera(NetworkCameraEntry entry);

  QString Name() const override;
  QString Version() const override;
  QString SettingsKey() const override;
  // Changes with the declaration (URL, credentials, transport, timeout), so a changed one is rebuilt.
  QString Location() const override;
  std::vector<VideoFormat> Formats() const override;
  VideoFormat DefaultFormat() const override;
  std::optional<VideoFormat> FitFormat(const VideoFormat& wanted, FitSide side) const override;
  std::vector<DeviceControl> Controls() const override { return {}; }
  bool SetControl(const QString&, int) override { return false; }
  GstElement* CreateSource(QString* error) override;
  QString AudioSourceDescription() const override;

  QString CapsFor(const VideoFormat& format) const override;
  bool StreamsAlways() const override;
  int SilenceLimitMs() const override;
  QString Redact(const QString& text) const override;
  QString Address() const override;
  bool LearnFrameSize(int width, int height) override;

  NetworkCameraEntry Entry() const;
  // Listed again: the declaration may have changed.
  void Update(const NetworkCameraEntry& entry);

  // What an HTTP camera turned out to send at its first answer.
  enum class HttpAnswer { Unknown, Stream, Picture };
  void SetHttpAnswer(HttpAnswer answer) { httpAnswer_ = answer; }
  void SetCodec(const QString& codec);

 private:
  GstElement* RtspSource(const NetworkCameraEntry& e, QString* error);
  GstElement* HttpSource(const NetworkCameraEntry& e, QString* error);

  mutable std::mutex mutex_;
  NetworkCameraEntry entry_;
  int width_ = 0, height_ = 0;  // 0 until a frame was taken
  QString codec_;
  std::atomic<HttpAnswer> httpAnswer_{HttpAnswer::Unknown};
};

}  // namespace korvex
