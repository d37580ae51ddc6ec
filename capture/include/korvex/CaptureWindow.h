#pragma once
// The window that shows a device's live video and performs every operation on it. It adopts one
// GStreamer pipeline for the connected device; with preview off and nothing grabbed or recorded, that
// pipeline is stopped and the camera rests. While the preview cannot be seen (the host says so), frames
// are not converted and a device that need not stream (the test device) rests too.
//
// Host images: GrabToDeviceContext(dc) takes `dc` as the address of a QImage owned by the caller and
// valid for the whole call. The next frame is painted onto it at (0, 0) at the frame's own size with
// QPainter; the result is true only when a frame was painted (it waits at most 3000 ms for it).

#include <korvex/CaptureDevice.h>
#include <korvex/KorvexTypes.h>

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QTimer;

namespace korvex {

class DeviceList;
class DevicePipeline;
class DeviceSettingsStore;
class FrameConverter;
struct Frame;

class CaptureWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxDrivers = 10;
  static constexpr int kGrabTimeoutMs = 3000;
  // Pauses between the tries to connect a network camera again: doubled after each failed try.
  static constexpr int kFirstRetryMs = 1000;
  static constexpr int kLastRetryMs = 16000;

  // `source` lists the devices at Create and whenever it says they changed; the system's when null.
  explicit CaptureWindow(std::shared_ptr<DeviceSource> source = nullptr);
  ~CaptureWindow() override;

  bool Create(const QString& title, const QRect& rect, QWidget* parent, int id);
  bool IsWindow() const { return created_; }

  bool ConnectDevice(int index);
  void SetPreview(bool on);
  void SetPreviewRate(int fps);
  int PreviewIntervalMs() const;
  bool PreviewOn() const { return preview_; }
  // Whether anybody can see the preview; true until the host says otherwise.
  void SetPreviewSeen(bool seen);
  bool PreviewSeen() const { return seen_; }
  void SetOverlay(bool on);

  bool ShowVideoSourceDialog();
  bool ShowVideoFormatDialog();
  bool ShowVideoDisplayDialog();
  bool ShowAudioFormatDialog();
  bool HasOverlay() const { return caps_.hasOverlay; }
  bool HasVideoSourceDialog() const { return caps_.hasDlgVideoSource; }
  bool HasVideoFormatDialog() const { return caps_.hasDlgVideoFormat; }
  bool HasVideoDisplayDialog() const { return caps_.hasDlgVideoDisplay; }

  int GetVideoWidth() const;
  int GetVideoHeight() const;
  void SetVideoWidth(int width);
  void SetVideoHeight(int height);
  // Whole-format change, as the format dialog makes it; false when the device cannot deliver it.
  bool SetVideoFormat(const VideoFormat& format);
  VideoFormat CurrentFormat() const { return format_; }

  bool GrabToDib(const QString& path);
  bool GrabToClipboard();
  bool GrabToDeviceContext(qintptr dc);
  // The next frame as an image; null when none arrives in time.
  QImage GrabImage();

  // Records to the capture file until the time or frame limit, Esc, a mouse click or StopSequence.
  bool StartSequence(bool confirm, bool limitEnabled, int64_t timeLimit);
  void StopSequence();
  bool Capturing() const { return capturing_; }
  bool SaveCaptureFileAs(const QString& path);
  bool SetCaptureFile(const QString& path);
  QString CaptureFile() const { return captureFilePath_; }
  void GetSequenceSetup(CaptureParams& params) const;
  void SetSequenceSetup(const CaptureParams& params);
  AudioFormat GetAudioFormat() const { return audio_; }
  void SetAudioFormat(const AudioFormat& format);

  // `handle` is a window id (QWidget::winId); its text receives the status messages.
  void SetStatusWindow(qint64 handle) { statusWindow_ = handle; }
  int DriverCount() const;
  bool DriverList(QStringList& names, QStringList& versions) const;
  // The host reads the list again: it becomes the devices present now (cameras plugged in since take
  // their places; the connected device stays listed while it is gone). Returns the count.
  int ReadDriverList();
  void CenterIn(int width, int height);
  // Lists the devices again for a host that looks for one itself (a source that cannot watch never
  // reports): when they changed, as if the source had reported it.
  void LookForDevices();

  const CaptureStatus& Status() const { return status_; }
  int CurrentDeviceIndex() const { return deviceIndex_; }
  std::shared_ptr<CaptureDevice> CurrentDevice() const;
  // True while the connected device has failed and not yet been reconnected.
  bool DeviceLost() const;
  // Builds the pipeline again when the device was lost or is reached at another node now (and restarts a
  // shown preview); true when the device works. Cheap: nothing happens while it works, and a device
  // still gone fails at once. A lost network camera fails at once until its own next try (kFirstRetryMs,
  // doubled up to kLastRetryMs). A device whose size only its frames tell is asked for one here, within
  // kGrabTimeoutMs, so that the host sizes its picture right.
  bool Reconnect();
  // True while a lost network camera waits for its next try.
  bool RetryPending() const;
  // True while a pipeline runs (preview, grab or recording).
  bool Streaming() const;

  // Runs the driver dialogs and message boxes; QDialog::exec unless a test or host substitutes another
  // (null puts the default back). Without a display a message box counts as OK, a dialog as cancelled.
  using DialogRunner = std::function<int(QDialog&)>;
  void SetDialogRunner(DialogRunner runner);
  int RunDialog(QDialog& dialog) { return runDialog_(dialog); }
  static int RunDialogDefault(QDialog& dialog);

 signals:
  // kOwnerMessage with kStatusEndCapture when a streaming capture ends.
  void OwnerMessage(unsigned message, int code, const korvex::CaptureStatus& status);
  void StatusMessage(int id, const QString& text);
  // The source reported that devices came or went; ReadDriverList shows the host what it found.
  void DevicesChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The pipeline no longer fits the device: it failed, or the camera is reached at another node now.
  bool Stale() const;
  void OnDevicesChanged();
  // Whether the pipeline runs apart from grabs: recording, a device that always streams, a preview that is
  // seen, or one that is not seen on a device that streams all the same.
  bool WantsStream() const;
  // Starts or stops the pipeline and the preview timer as WantsStream and the preview say.
  void ApplyStreaming();
  // A frame numbered after the call, given to `use` while its buffer is valid; false when none came in
  // time or none could be used.
  bool GrabFrame(const std::function<bool(const Frame&)>& use);
  // Builds the pipeline again and starts it when it should run; a network camera that fails tries later.
  bool Rebuild();
  void RetryLater();
  // The connected network stream ended or fell silent: it stops and is tried again later.
  void DropStream(const QString& why);
  void OnStreamEnded();
  // True when the connected stream ended (it is dropped then).
  bool StreamEnded();
  void WatchStream();
  // Status 503 naming the device, once until a frame came again.
  void ReportLost(const QString& why);
  void ReportUnreachable(const QString& error);
  // A frame was taken from the device: it works, and it may tell its size.
  void NoteFrame(QSize frame);
  bool EnsureSize();
  void FollowDevices();
  void NewPipeline();
  // Builds the pipeline for the current device and format and puts the stored controls back.
  bool BuildPipeline(QString* error);
  bool ChangeFormat(const VideoFormat& wanted, FitSide side);
  void RefreshStatus();
  void ReportStatus(int id, const QString& text);
  void OnDeviceFailed(const QString& message, bool busy);
  void OnPreviewTick();

  std::unique_ptr<DeviceList> devices_;
  std::unique_ptr<DeviceSettingsStore> settings_;
  std::unique_ptr<DevicePipeline> pipeline_;
  QString builtAt_;  // the device's location when its pipeline was built
  QTimer* previewTimer_ = nullptr;
  std::unique_ptr<FrameConverter> converter_;
  QImage shown_;  // the picture the preview shows; kept when the preview stops
  uint64_t shownSeq_ = 0;
  QTimer* retry_ = nullptr;
  QTimer* watchdog_ = nullptr;  // notices a network stream that falls silent
  int retryDelayMs_ = kFirstRetryMs;
  bool dropped_ = false;  // the stream ended or fell silent; tried again by retry_
  QString lostReported_;  // the last loss reported, so a camera that stays away is not reported each try
  bool watchedRunning_ = false;
  uint64_t watchedSeq_ = 0;
  qint64 silentSinceMs_ = 0;
  // A single picture fetched to learn the size, handed to the grab that asked for it.
  std::shared_ptr<const Frame> kept_;
  qint64 keptAtMs_ = 0;
  DialogRunner runDialog_;

  bool created_ = false;
  qint64 statusWindow_ = 0;
  CaptureParams params_;
  CaptureStatus status_;
  DriverCaps caps_;
  int previewRate_ = 15;
  bool preview_ = false;
  bool seen_ = true;
  bool capturing_ = false;
  int deviceIndex_ = 0;
  QString captureFilePath_;
  VideoFormat format_;
  AudioFormat audio_;
  std::function<void()> stopRecording_;
};

}  // namespace korvex
