// Streaming capture to the AVI capture file.
#include <korvex/CaptureWindow.h>

#include "DevicePipeline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

namespace korvex {

namespace {
// For the muxer to write its index once the sources were told to stop; a stalled source never gets
// end-of-stream through, and the capture must end all the same.
constexpr int kFinishTimeoutMs = 3000;
}  // namespace

bool CaptureWindow::StartSequence(bool confirm, bool limitEnabled, int64_t timeLimit) {
  if (!created_ || capturing_ || !pipeline_) return false;
  CaptureParams params = params_;
  params.makeUserHitOKToCapture = confirm;
  params.limitEnabled = limitEnabled;
  params.timeLimit = timeLimit;
  SetSequenceSetup(params);
  if (captureFilePath_.isEmpty()) {
    ReportStatus(kStatusDeviceError, tr("No capture file is set"));
    return false;
  }
  if (params_.makeUserHitOKToCapture) {
    QMessageBox box(QMessageBox::Information, tr("Korvex Capture"),
                    tr("Select OK to start capture of video sequence\nto %1.").arg(captureFilePath_),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    if (runDialog_(box) != QMessageBox::Ok) return false;
  }
  if (!Reconnect()) return false;
  {
    // An unwritable file would otherwise surface as a pipeline failure and look like a device fault.
    QFile probe(captureFilePath_);
    if (!probe.open(QIODevice::WriteOnly)) {
      ReportStatus(kStatusDeviceError, tr("Cannot write %1: %2").arg(captureFilePath_, probe.errorString()));
      return false;
    }
  }

  RecordingRequest request;
  request.path = captureFilePath_;
  request.withAudio = params_.captureAudio;
  request.audio = audio_;
  request.microSecPerFrame = params_.microSecPerFrame;
  request.frameLimit = params_.frameLimit;
  pipeline_->Stop();
  QString error;
  bool started = pipeline_->Build(&request, &error) && pipeline_->Start(&error);
  if (!started && request.withAudio) {
    // A machine without a working microphone still records the picture.
    ReportStatus(kStatusDeviceError, tr("No audio: %1").arg(error));
    request.withAudio = false;
    started = pipeline_->Build(&request, &error) && pipeline_->Start(&error);
  }
  if (!started) {
    ReportStatus(kStatusDeviceError, error);
    pipeline_->Build(nullptr, &error);
    if (WantsStream()) pipeline_->Start(&error);
    return false;
  }

  capturing_ = true;
  RefreshStatus();
  QElapsedTimer elapsed;
  elapsed.start();
  QEventLoop loop;
  bool stopping = false;
  QTimer finish;
  finish.setSingleShot(true);
  connect(&finish, &QTimer::timeout, &loop, &QEventLoop::quit);
  stopRecording_ = [&] {
    if (stopping) return;
    stopping = true;
    pipeline_->SendEos();
    finish.start(kFinishTimeoutMs);
  };
  DevicePipeline* pipeline = pipeline_.get();
  connect(pipeline, &DevicePipeline::FrameLimitReached, &loop, [&] { stopRecording_(); });
  connect(pipeline, &DevicePipeline::EndOfStream, &loop, &QEventLoop::quit);
  connect(pipeline, &DevicePipeline::DeviceFailed, &loop, &QEventLoop::quit);
  QTimer limit;
  limit.setSingleShot(true);
  limit.setTimerType(Qt::PreciseTimer);  // a coarse timer may end the capture up to 5 % early
  connect(&limit, &QTimer::timeout, &loop, [&] { stopRecording_(); });
  if (params_.limitEnabled && params_.timeLimit > 0)
    limit.start(std::chrono::milliseconds(std::min<int64_t>(params_.timeLimit, INT32_MAX / 1000) * 1000));
  QTimer preview;
  connect(&preview, &QTimer::timeout, this, &CaptureWindow::OnPreviewTick);
  if (preview_ && seen_) preview.start(PreviewIntervalMs());
  // Announced once everything is in place, so a listener may already stop the capture.
  ReportStatus(kStatusCaptureStarting, tr("Capturing to %1").arg(captureFilePath_));
  qApp->installEventFilter(this);
  if (!pipeline->EosSeen() && !pipeline->Failed()) loop.exec();
  qApp->removeEventFilter(this);
  const bool ok = pipeline->EosSeen() && !pipeline->Failed();
  stopRecording_ = nullptr;
  if (!ok)
    ReportStatus(kStatusDeviceError, tr("The capture file %1 could not be finished").arg(captureFilePath_));

  status_.currentVideoFrame = pipeline->RecordedFrames();
  status_.framesDropped = pipeline->DroppedFrames();
  status_.captureTimeMs = elapsed.elapsed();
  pipeline->Stop();
  capturing_ = false;
  if (pipeline->Build(nullptr, &error)) {
    if (WantsStream()) pipeline->Start(&error);
  } else {
    ReportStatus(kStatusDeviceError, error);
  }
  RefreshStatus();
  ReportStatus(kStatusCaptureEnded, tr("Captured %1 frames (%2 dropped) %3 sec.")
                                        .arg(status_.currentVideoFrame)
                                        .arg(status_.framesDropped)
                                        .arg(static_cast<double>(status_.captureTimeMs) / 1000.0, 0, 'f', 3));
  const CaptureStatus status = status_;
  emit OwnerMessage(kOwnerMessage, kStatusEndCapture, status);
  return ok;
}

}  // namespace korvex
