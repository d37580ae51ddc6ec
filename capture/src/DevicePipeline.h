#pragma once
// One device's GStreamer pipeline: source, format filter and an appsink that keeps the newest frame as the
// device delivered it (raw or JPEG, converted only when needed); optionally a branch that records MJPEG (and
// PCM) into an AVI file.

#include "FrameConverter.h"
#include "GstHandles.h"

#include <korvex/CaptureDevice.h>

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace korvex {

struct RecordingRequest {
  QString path;
  bool withAudio = false;
  AudioFormat audio;
  int64_t microSecPerFrame = 0;
  int64_t frameLimit = 0;
};

class DevicePipeline : public QObject {
  Q_OBJECT
 public:
  DevicePipeline(std::shared_ptr<CaptureDevice> device, VideoFormat format);
  ~DevicePipeline() override;

  // Builds the elements (nothing runs yet); `recording` adds the AVI branch.
  bool Build(const RecordingRequest* recording, QString* error);
  bool Start(QString* error);
  void Stop();
  bool Built() const { return pipeline_ != nullptr; }
  bool Running() const { return running_; }
  bool Failed() const { return failed_; }
  QString FailureText() const;

  std::shared_ptr<const Frame> Latest() const;
  uint64_t FrameSeq() const;
  // The first frame numbered above `after`; null when none comes within `timeoutMs` or the device fails.
  std::shared_ptr<const Frame> WaitFrame(uint64_t after, int timeoutMs);
  // The newest frame `settleMs` after the first one numbered above `after`, or at `timeoutMs` the newest
  // that came; null only when none came (or the device failed first).
  std::shared_ptr<const Frame> WaitSettled(uint64_t after, int settleMs, int timeoutMs);

  // Ends a recording: every source sends end-of-stream so the AVI index is written.
  void SendEos();
  bool WaitEos(int timeoutMs);
  bool EosSeen() const { return eos_; }
  int64_t RecordedFrames() const { return recorded_; }
  int64_t DroppedFrames() const { return queuedIn_ - queuedOut_; }

 signals:
  // `busy`: another program holds the device.
  void DeviceFailed(const QString& message, bool busy);
  void EndOfStream();
  void FrameLimitReached();

 private:
  static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
  static GstFlowReturn OnNewSample(GstAppSink* sink, gpointer self);
  bool LinkOpenedSource(GstElement* pipeline, GstElement* source, GstElement* filter, QString* error);
  void AddProbes(const RecordingRequest& recording);

  std::shared_ptr<CaptureDevice> device_;
  VideoFormat format_;
  PipelinePtr pipeline_;
  bool running_ = false;

  mutable std::mutex mutex_;
  std::condition_variable frameArrived_;
  std::shared_ptr<const Frame> latest_;
  uint64_t seq_ = 0;
  QString failure_;
  // Written under mutex_, so a waiter never misses the wake-up; atomic for the lock-free readers.
  std::atomic<bool> failed_{false};
  std::atomic<bool> eos_{false};

  int64_t frameLimit_ = 0;
  std::atomic<int64_t> recorded_{0};
  std::atomic<int64_t> queuedIn_{0};
  std::atomic<int64_t> queuedOut_{0};
  std::atomic<bool> limitSignalled_{false};
};

}  // namespace korvex
