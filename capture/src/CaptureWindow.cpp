#include <korvex/CaptureWindow.h>

#include "DeviceList.h"
#include "DevicePipeline.h"
#include "DeviceSettingsStore.h"
#include "DriverDialogs.h"
#include "FrameConverter.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

Q_LOGGING_CATEGORY(lcCapture, "quorvin.capture")

namespace korvex {

namespace {
qint64 NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

int CaptureWindow::RunDialogDefault(QDialog& dialog) {
  if (auto* box = qobject_cast<QMessageBox*>(&dialog)) std::fprintf(stderr, "%s\n", qPrintable(box->text()));
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    // Nobody can answer without a display: a message box counts as OK, any other dialog as cancelled.
    return qobject_cast<QMessageBox*>(&dialog) ? int(QMessageBox::Ok) : int(QDialog::Rejected);
  }
  return dialog.exec();
}

void CaptureWindow::SetDialogRunner(DialogRunner runner) {
  runDialog_ = runner ? std::move(runner) : DialogRunner(&CaptureWindow::RunDialogDefault);
}

CaptureWindow::CaptureWindow(std::shared_ptr<DeviceSource> source)
    : devices_(std::make_unique<DeviceList>(source ? std::move(source) : MakeSystemDeviceSource())),
      converter_(std::make_unique<FrameConverter>()),
      runDialog_(&CaptureWindow::RunDialogDefault) {
  static_assert(kMaxDrivers == DeviceList::kMaxDrivers);
  setObjectName(QStringLiteral("CaptureWindow"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  previewTimer_ = new QTimer(this);
  previewTimer_->setTimerType(Qt::PreciseTimer);
  connect(previewTimer_, &QTimer::timeout, this, &CaptureWindow::OnPreviewTick);
  retry_ = new QTimer(this);
  retry_->setSingleShot(true);
  connect(retry_, &QTimer::timeout, this, [this] {
    if (created_ && !capturing_ && Stale()) Rebuild();
  });
  watchdog_ = new QTimer(this);
  connect(watchdog_, &QTimer::timeout, this, &CaptureWindow::WatchStream);
}

CaptureWindow::~CaptureWindow() {
  devices_->Source().Watch(nullptr);
  previewTimer_->stop();
  pipeline_.reset();
}

bool CaptureWindow::Create(const QString& title, const QRect& rect, QWidget* parent, int id) {
  if (created_) return true;
  setParent(parent);
  setWindowTitle(title);
  setProperty("childId", id);
  setGeometry(rect);
  setVisible(true);
  created_ = true;
  settings_ = std::make_unique<DeviceSettingsStore>();
  audio_ = settings_->LoadAudio();

  devices_->Rescan();
  devices_->Publish(nullptr);
  // The source may call from its own thread; the list is looked at again in this one.
  devices_->Source().Watch(
      [this] { QMetaObject::invokeMethod(this, &CaptureWindow::OnDevicesChanged, Qt::QueuedConnection); });
  ConnectDevice(0);
  setGeometry(0, 0, status_.imageWidth, status_.imageHeight);
  SetCaptureFile(captureFilePath_);
  return true;
}

bool CaptureWindow::ConnectDevice(int index) {
  if (!created_) return false;
  if (index < 0 || index >= DriverCount()) return true;
  if (capturing_) return false;
  deviceIndex_ = index;
  pipeline_.reset();
  retry_->stop();
  retryDelayMs_ = kFirstRetryMs;
  dropped_ = false;
  lostReported_.clear();
  kept_.reset();
  const auto device = devices_->At(index);
  VideoFormat format = device->DefaultFormat();
  if (auto stored = settings_->LoadFormat(*device)) {
    if (auto fitted = device->FitFormat(*stored, FitSide::Whole)) format = *fitted;
  }
  format_ = format;
  caps_ = DriverCaps{};
  caps_.hasDlgVideoFormat = !device->Formats().empty();
  caps_.hasDlgVideoSource = !device->Controls().empty();
  NewPipeline();
  QString error;
  caps_.captureInitialized = BuildPipeline(&error);
  if (!caps_.captureInitialized) {
    ReportUnreachable(error);
    RetryLater();
  }
  RefreshStatus();
  if (WantsStream() && caps_.captureInitialized && !pipeline_->Start(&error))
    ReportStatus(kStatusDeviceError, error);
  watchedRunning_ = false;
  if (device->SilenceLimitMs() > 0)
    watchdog_->start(500);
  else
    watchdog_->stop();
  return true;
}

void CaptureWindow::NewPipeline() {
  pipeline_ = std::make_unique<DevicePipeline>(CurrentDevice(), format_);
  shownSeq_ = 0;  // the new pipeline numbers its frames from 1 again
  connect(pipeline_.get(), &DevicePipeline::DeviceFailed, this, &CaptureWindow::OnDeviceFailed);
  connect(pipeline_.get(), &DevicePipeline::EndOfStream, this, &CaptureWindow::OnStreamEnded);
}

bool CaptureWindow::BuildPipeline(QString* error) {
  const auto device = CurrentDevice();
  if (!pipeline_->Build(nullptr, error)) {
    // The camera may be back, or at another node, before the source said so (or with a source that
    // cannot watch): list once more, and try again when that found it.
    const bool was_present = devices_->Present(device.get());
    const QString was_at = device->Location();
    if (devices_->Rescan()) emit DevicesChanged();
    if (!devices_->Present(device.get()) || (was_present && device->Location() == was_at)) return false;
    if (!pipeline_->Build(nullptr, error)) return false;
  }
  builtAt_ = device->Location();
  // The device is there: put back the controls the operator chose (it forgets them when replugged).
  const QStringList refused = settings_->ApplyControls(*device);
  if (!refused.isEmpty())
    ReportStatus(kStatusDeviceError, tr("The device refused %1").arg(refused.join(QStringLiteral(", "))));
  return true;
}

std::shared_ptr<CaptureDevice> CaptureWindow::CurrentDevice() const {
  return devices_->At(deviceIndex_);
}

int CaptureWindow::DriverCount() const {
  return devices_->Count();
}

int CaptureWindow::ReadDriverList() {
  const auto current = CurrentDevice();
  devices_->Publish(current);
  if (current) deviceIndex_ = devices_->IndexOf(current.get());
  return DriverCount();
}

void CaptureWindow::OnDevicesChanged() {
  if (!created_) return;
  devices_->Rescan();
  FollowDevices();
}

void CaptureWindow::LookForDevices() {
  if (created_ && devices_->Rescan()) FollowDevices();
}

void CaptureWindow::FollowDevices() {
  emit DevicesChanged();
  const auto device = CurrentDevice();
  if (!device || capturing_) return;
  if (!devices_->Present(device.get())) {
    // Gone: when it comes back it has forgotten its controls, so its pipeline is built again then.
    builtAt_.clear();
    return;
  }
  // The connected camera is back, perhaps at another node: connect it again, and preview it if asked.
  if (Stale()) Reconnect();
}

bool CaptureWindow::DeviceLost() const {
  return !pipeline_ || !pipeline_->Built() || pipeline_->Failed() || dropped_;
}

bool CaptureWindow::RetryPending() const {
  return retry_->isActive();
}

bool CaptureWindow::Streaming() const {
  return pipeline_ && pipeline_->Running();
}

bool CaptureWindow::Stale() const {
  const auto device = CurrentDevice();
  return DeviceLost() || (device && (!devices_->Present(device.get()) || device->Location() != builtAt_));
}

bool CaptureWindow::Reconnect() {
  if (!pipeline_) return false;
  if (!Stale()) return EnsureSize();
  // A network camera is tried again by its own timer, with growing pauses, not at every grab.
  if (retry_->isActive()) return false;
  return Rebuild() && EnsureSize();
}

bool CaptureWindow::Rebuild() {
  QString error;
  pipeline_->Stop();
  dropped_ = false;
  if (!BuildPipeline(&error)) {
    ReportUnreachable(error);
    RetryLater();
    return false;
  }
  caps_.captureInitialized = true;
  // A local device that opens is back; a network camera is back when a frame came.
  if (CurrentDevice()->SilenceLimitMs() <= 0) lostReported_.clear();
  RefreshStatus();
  if (WantsStream() && !pipeline_->Start(&error)) {
    ReportUnreachable(error);
    RetryLater();
    return false;
  }
  return true;
}

void CaptureWindow::ReportUnreachable(const QString& error) {
  // A network camera that is away fails each try alike: that is one loss, not an error per try.
  const auto device = CurrentDevice();
  if (device && device->SilenceLimitMs() > 0)
    ReportLost(error);
  else
    ReportStatus(kStatusDeviceError, error);
}

void CaptureWindow::RetryLater() {
  const auto device = CurrentDevice();
  if (!device || device->SilenceLimitMs() <= 0 || retry_->isActive()) return;
  retry_->start(retryDelayMs_);
  retryDelayMs_ = std::min(retryDelayMs_ * 2, kLastRetryMs);
}

bool CaptureWindow::EnsureSize() {
  const auto device = CurrentDevice();
  if (!device || format_.width > 0 || device->DefaultFormat().width > 0 || capturing_) return true;
  // The camera's size is known from its first frame: a running stream may have sent it already; a
  // single picture is fetched now and kept for the grab that follows.
  auto frame = pipeline_->Latest();
  if (!frame) {
    if (pipeline_->Running() && pipeline_->EosSeen()) pipeline_->Stop();
    const uint64_t before = pipeline_->FrameSeq();
    const bool was_running = pipeline_->Running();
    QString error;
    if (!was_running && !pipeline_->Start(&error)) return false;
    frame = pipeline_->WaitFrame(before, kGrabTimeoutMs);
    if (frame && !was_running) {
      // A network camera's buffers are its own memory, not a driver's: the frame outlives the stop.
      kept_ = frame;
      keptAtMs_ = NowMs();
    }
    if (frame) NoteFrame(converter_->SizeOf(*frame));
    frame.reset();
    if (!was_running && !WantsStream()) pipeline_->Stop();
  } else {
    NoteFrame(converter_->SizeOf(*frame));
  }
  return format_.width > 0;
}

void CaptureWindow::NoteFrame(QSize frame) {
  retryDelayMs_ = kFirstRetryMs;
  lostReported_.clear();
  const auto device = CurrentDevice();
  if (!device || frame.isEmpty() || !device->LearnFrameSize(frame.width(), frame.height())) return;
  const VideoFormat learned = device->DefaultFormat();
  if (learned.width == format_.width && learned.height == format_.height) return;
  format_ = learned;
  caps_.hasDlgVideoFormat = true;
  RefreshStatus();
  if (parentWidget()) CenterIn(parentWidget()->width(), parentWidget()->height());
}

void CaptureWindow::ReportLost(const QString& why) {
  const auto device = CurrentDevice();
  const QString text = tr("Device lost: %1: %2").arg(device ? device->Name() : QString(), why);
  // A camera that stays away fails every try: said once, until a frame came from it again.
  if (!lostReported_.isEmpty()) {
    qCDebug(lcCapture).noquote() << kStatusDeviceLost << (device ? device->Redact(text) : text);
    return;
  }
  lostReported_ = text;
  ReportStatus(kStatusDeviceLost, text);
}

void CaptureWindow::OnDeviceFailed(const QString& message, bool busy) {
  // Queued from the streaming thread: a pipeline running again since (a camera back at once) is fine.
  if (pipeline_ && pipeline_->Running() && !pipeline_->Failed()) return;
  if (busy)
    ReportStatus(kStatusDeviceBusy, tr("Device busy: %1").arg(message));
  else
    ReportLost(message);
  // A recording ends on its own loop; a preview just stops until the device is connected again.
  if (!capturing_ && pipeline_) {
    pipeline_->Stop();
    RetryLater();
  }
  update();
}

void CaptureWindow::DropStream(const QString& why) {
  dropped_ = true;
  ReportLost(why);
  pipeline_->Stop();
  RetryLater();
  update();
}

void CaptureWindow::OnStreamEnded() {
  StreamEnded();
}

bool CaptureWindow::StreamEnded() {
  // A recording ends on its own loop, and a single picture ends its stream by nature.
  const auto device = CurrentDevice();
  if (capturing_ || !pipeline_ || dropped_ || !device || !device->StreamsAlways() || !pipeline_->Running() ||
      !pipeline_->EosSeen())
    return false;
  DropStream(tr("the stream ended"));
  return true;
}

void CaptureWindow::WatchStream() {
  const auto device = CurrentDevice();
  if (!device || !pipeline_ || capturing_ || !pipeline_->Running() || pipeline_->Failed()) {
    watchedRunning_ = false;
    return;
  }
  const uint64_t seq = pipeline_->FrameSeq();
  if (!watchedRunning_ || seq != watchedSeq_) {
    if (watchedRunning_) {
      retryDelayMs_ = kFirstRetryMs;
      lostReported_.clear();
    }
    watchedRunning_ = true;
    watchedSeq_ = seq;
    silentSinceMs_ = NowMs();
    return;
  }
  const int limit = device->SilenceLimitMs();
  if (device->StreamsAlways() && NowMs() - silentSinceMs_ >= limit)
    DropStream(tr("no picture for %1 s").arg(limit / 1000));
}

void CaptureWindow::RefreshStatus() {
  status_.imageWidth = format_.width;
  status_.imageHeight = format_.height;
  status_.capturingNow = capturing_;
}

void CaptureWindow::SetPreview(bool on) {
  if (!created_) return;
  preview_ = on;
  ApplyStreaming();
}

void CaptureWindow::SetPreviewSeen(bool seen) {
  seen_ = seen;
  if (created_) ApplyStreaming();
}

bool CaptureWindow::WantsStream() const {
  const auto device = CurrentDevice();
  if (capturing_ || (device && device->StreamsAlways())) return true;
  if (!preview_) return false;
  return seen_ || (device && device->StreamsUnseen());
}

void CaptureWindow::ApplyStreaming() {
  // Frames are converted for the preview only while somebody can see it.
  if (preview_ && seen_ && !previewTimer_->isActive())
    previewTimer_->start(PreviewIntervalMs());
  else if (!(preview_ && seen_))
    previewTimer_->stop();
  if (!pipeline_ || capturing_) return;
  if (!WantsStream()) {
    pipeline_->Stop();  // the last picture stays on screen: it is the window's own copy
    return;
  }
  if (pipeline_->Running() || !Reconnect()) return;
  QString error;
  if (!pipeline_->Start(&error)) ReportStatus(kStatusDeviceError, error);
}

void CaptureWindow::SetPreviewRate(int fps) {
  previewRate_ = std::max(1, fps);
  if (previewTimer_->isActive()) previewTimer_->setInterval(PreviewIntervalMs());
}

int CaptureWindow::PreviewIntervalMs() const {
  // A rate above 1000 would make a zero interval and a busy loop.
  return std::max(1, 1000 / std::max(1, previewRate_));
}

void CaptureWindow::OnPreviewTick() {
  // The device may run faster than the preview rate; only the newest frame at each tick is converted.
  if (!isVisible() || !pipeline_ || !pipeline_->Running()) return;
  auto latest = pipeline_->Latest();
  if (!latest || latest->seq == shownSeq_) return;
  const QSize view = (QSizeF(size()) * devicePixelRatioF()).toSize();
  if (converter_->Preview(*latest, view, shown_)) {
    shownSeq_ = latest->seq;
    NoteFrame(converter_->SizeOf(*latest));
    update();
  }
}

void CaptureWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (shown_.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  // Preview scaling: the picture fills the window, which is normally the picture's own size.
  painter.drawImage(rect(), shown_);
}

void CaptureWindow::SetOverlay(bool) {
  // Overlay needs hardware that draws into the screen itself; no device here has it, so nothing to switch.
}

bool CaptureWindow::ShowVideoSourceDialog() {
  if (!created_) return false;
  auto device = CurrentDevice();
  if (!caps_.hasDlgVideoSource || !device) return true;
  SourceDialog dialog(*device, this);
  if (runDialog_(dialog) == QDialog::Accepted) {
    for (const DeviceControl& c : device->Controls()) {
      auto initial = dialog.Initial().find(c.id);
      if (c.Keepable() && (initial == dialog.Initial().end() || initial->second != c.value))
        settings_->SaveControl(*device, c.id, c.value);
    }
  } else {
    // The dialog applied every change live for the preview; cancel puts the old values back.
    ApplyControlValues(*device, dialog.Initial());
  }
  caps_.hasDlgVideoSource = !device->Controls().empty();
  return true;
}

bool CaptureWindow::ShowVideoFormatDialog() {
  if (!created_) return false;
  auto device = CurrentDevice();
  if (!caps_.hasDlgVideoFormat || !device) return true;
  FormatDialog dialog(device->Formats(), format_, this);
  if (runDialog_(dialog) == QDialog::Accepted) SetVideoFormat(dialog.Chosen());
  RefreshStatus();
  if (parentWidget()) CenterIn(parentWidget()->width(), parentWidget()->height());
  return true;
}

bool CaptureWindow::ShowVideoDisplayDialog() {
  if (!created_) return false;
  // No device here has a display dialog; the operation is kept for the control's member.
  return true;
}

bool CaptureWindow::ShowAudioFormatDialog() {
  if (!created_) return false;
  AudioFormatDialog dialog(audio_, this);
  if (runDialog_(dialog) != QDialog::Accepted) return false;
  SetAudioFormat(dialog.Chosen());
  return true;
}

void CaptureWindow::SetAudioFormat(const AudioFormat& format) {
  audio_ = format;
  if (settings_) settings_->SaveAudio(format);
}

int CaptureWindow::GetVideoWidth() const {
  return created_ && !DeviceLost() ? format_.width : 0;
}

int CaptureWindow::GetVideoHeight() const {
  return created_ && !DeviceLost() ? format_.height : 0;
}

void CaptureWindow::SetVideoWidth(int width) {
  if (!created_) return;
  VideoFormat f = format_;
  f.width = AbsoluteValue(width);
  ChangeFormat(f, FitSide::Width);
}

void CaptureWindow::SetVideoHeight(int height) {
  if (!created_) return;
  VideoFormat f = format_;
  f.height = AbsoluteValue(height);
  ChangeFormat(f, FitSide::Height);
}

bool CaptureWindow::SetVideoFormat(const VideoFormat& wanted) {
  return ChangeFormat(wanted, FitSide::Whole);
}

bool CaptureWindow::ChangeFormat(const VideoFormat& wanted, FitSide side) {
  auto device = CurrentDevice();
  if (!created_ || !device || capturing_) return false;
  auto fitted = device->FitFormat(wanted, side);
  if (!fitted) {
    const QString what = side == FitSide::Width    ? tr("width %1").arg(wanted.width)
                         : side == FitSide::Height ? tr("height %1").arg(wanted.height)
                                                   : wanted.Describe();
    ReportStatus(kStatusDeviceError, tr("The device cannot deliver %1").arg(what));
    return false;
  }
  if (*fitted == format_ && !DeviceLost()) return true;
  dropped_ = false;
  format_ = *fitted;
  settings_->SaveFormat(*device, format_);
  NewPipeline();
  QString error;
  caps_.captureInitialized = BuildPipeline(&error);
  RefreshStatus();
  if (!caps_.captureInitialized) {
    ReportStatus(kStatusDeviceError, error);
    return false;
  }
  if (WantsStream() && !pipeline_->Start(&error)) {
    ReportStatus(kStatusDeviceError, error);
    return false;
  }
  return true;
}

bool CaptureWindow::GrabFrame(const std::function<bool(const Frame&)>& use) {
  if (!created_ || !pipeline_) return false;
  if (!Reconnect()) return false;
  // A frame used is one the device sent: it works, and it may tell its size.
  const auto take = [&](const Frame& frame) {
    if (!use(frame)) return false;
    NoteFrame(converter_->SizeOf(frame));
    return true;
  };
  // The picture fetched just now to learn the size is this grab's.
  auto kept = std::exchange(kept_, nullptr);
  if (kept && NowMs() - keptAtMs_ < kGrabTimeoutMs && take(*kept)) return true;
  kept.reset();
  // A stream that ended is a camera gone (told now, not when the event loop next runs); a single picture
  // ended its pipeline by nature, and the next one is fetched as a resting device's frame is.
  if (StreamEnded()) return false;
  if (pipeline_->Running() && pipeline_->EosSeen() && !capturing_) pipeline_->Stop();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGrabTimeoutMs);
  const auto remaining = [&] {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<int64_t>(0, left.count()));
  };
  // A frame that cannot be used (a corrupt JPEG) is passed over for the next one, within the time left.
  const auto use_next = [&](uint64_t after) {
    while (auto frame = pipeline_->WaitFrame(after, remaining())) {
      if (take(*frame)) return true;
      after = frame->seq;
    }
    return false;
  };
  const uint64_t before = pipeline_->FrameSeq();
  if (pipeline_->Running()) {
    if (use_next(before)) return true;
    StreamEnded();
    return false;
  }
  // The device rests between grabs: start it, let exposure settle, take one frame, stop it again.
  QString error;
  if (!pipeline_->Start(&error)) {
    ReportStatus(kStatusDeviceError, error);
    return false;
  }
  auto device = CurrentDevice();
  auto frame = pipeline_->WaitSettled(before, device ? device->SettleMs() : 0, kGrabTimeoutMs);
  // The frame is used before the device stops: a camera's buffers go with it.
  const bool used = frame && (take(*frame) || use_next(frame->seq));
  frame.reset();
  // An HTTP camera's first answer may have shown it to be a stream: it keeps running then.
  if (!WantsStream()) pipeline_->Stop();
  return used;
}

QImage CaptureWindow::GrabImage() {
  QImage image;
  GrabFrame([&](const Frame& frame) {
    image = converter_->ToImage(frame);
    return !image.isNull();
  });
  return image;
}

bool CaptureWindow::GrabToDeviceContext(qintptr dc) {
  if (!created_ || dc == 0) return false;
  auto* target = reinterpret_cast<QImage*>(dc);
  if (target->isNull()) return false;
  // Converted straight into the host's picture: the one frame a grab needs, no copy in between.
  return GrabFrame([&](const Frame& frame) { return converter_->PaintInto(frame, *target); });
}

bool CaptureWindow::GrabToDib(const QString& path) {
  if (!created_) return false;
  QFile::remove(path);
  const QImage frame = GrabImage();
  if (frame.isNull()) return false;
  return frame.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}

bool CaptureWindow::GrabToClipboard() {
  if (!created_) return false;
  const QImage frame = GrabImage();
  if (frame.isNull()) return false;
  QGuiApplication::clipboard()->setImage(frame.copy());
  return true;
}

bool CaptureWindow::SetCaptureFile(const QString& path) {
  if (!created_) return false;
  captureFilePath_ = path;
  return true;
}

bool CaptureWindow::SaveCaptureFileAs(const QString& path) {
  if (!created_ || capturing_ || captureFilePath_.isEmpty() || !QFileInfo::exists(captureFilePath_))
    return false;
  if (QFileInfo(path).absoluteFilePath() == QFileInfo(captureFilePath_).absoluteFilePath()) return true;
  QFile::remove(path);
  const bool ok = QFile::copy(captureFilePath_, path);
  if (ok) ReportStatus(kStatusFileSaved, tr("Saved %1").arg(path));
  return ok;
}

void CaptureWindow::GetSequenceSetup(CaptureParams& params) const {
  params = params_;
}

void CaptureWindow::SetSequenceSetup(const CaptureParams& params) {
  if (!created_) return;
  params_ = params;
  if (params_.timeLimit < 0) params_.timeLimit = -params_.timeLimit;
}

bool CaptureWindow::DriverList(QStringList& names, QStringList& versions) const {
  names = devices_->Names();
  versions = devices_->Versions();
  return true;
}

void CaptureWindow::CenterIn(int width, int height) {
  if (!created_) return;
  const int x = std::max(0, (width - status_.imageWidth) / 2);
  const int y = std::max(0, (height - status_.imageHeight) / 2);
  setGeometry(x, y, status_.imageWidth, status_.imageHeight);
}

void CaptureWindow::ReportStatus(int id, const QString& message) {
  // Whatever a failure quotes (a URL, GStreamer's text), a network camera's credentials never get out.
  const auto device = CurrentDevice();
  const QString text = device ? device->Redact(message) : message;
  qCInfo(lcCapture).noquote() << id << text;
  emit StatusMessage(id, text);
  if (id < kStatusInfo || statusWindow_ == 0) return;
  QWidget* window = QWidget::find(static_cast<WId>(statusWindow_));
  if (!window) return;
  if (window->metaObject()->indexOfProperty("text") >= 0)
    window->setProperty("text", text);
  else
    window->setWindowTitle(text);
  window->repaint();
}

bool CaptureWindow::eventFilter(QObject* watched, QEvent* event) {
  if (capturing_ && stopRecording_) {
    if (event->type() == QEvent::KeyPress && params_.abortEscape &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      stopRecording_();
      return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
      const auto button = static_cast<QMouseEvent*>(event)->button();
      if ((button == Qt::LeftButton && params_.abortLeftMouse) ||
          (button == Qt::RightButton && params_.abortRightMouse)) {
        stopRecording_();
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CaptureWindow::StopSequence() {
  if (stopRecording_) stopRecording_();
}

}  // namespace korvex
