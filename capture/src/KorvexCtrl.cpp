#include <korvex/KorvexCtrl.h>
#include <korvex/KorvexPropPage.h>

#include <QDataStream>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <limits>
#include <optional>

namespace korvex {

const char* const CKorvexCtrl::kCaptureWindowTitle = "Korvex Capture 32bit";

namespace {
std::optional<UiLanguage>& LanguageSlot() {
  static std::optional<UiLanguage> language;
  return language;
}

int ClampToInt(int64_t value) {
  return static_cast<int>(
      std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
}  // namespace

CKorvexCtrl::CKorvexCtrl(QWidget* parent, std::shared_ptr<DeviceSource> source) : QWidget(parent) {
  setObjectName(QStringLiteral("Korvex"));
  backColor_ = palette().color(QPalette::Window);
  capture_ = new CaptureWindow(std::move(source));
  if (capture_->Create(QString::fromLatin1(kCaptureWindowTitle), QRect(0, 0, 160, 120), this, 0)) {
    capture_->SetPreviewRate(previewRate_);
  }
  connect(capture_, &CaptureWindow::OwnerMessage, this, &CKorvexCtrl::OnCaptureWindowMessage);
  connect(capture_, &CaptureWindow::DevicesChanged, this, &CKorvexCtrl::DevicesChanged);
  Relayout();
}

CKorvexCtrl::~CKorvexCtrl() = default;

void CKorvexCtrl::SetDialogRunner(CaptureWindow::DialogRunner runner) {
  capture_->SetDialogRunner(std::move(runner));
}

void CKorvexCtrl::Changed(int dispId) {
  modified_ = true;
  emit PropertyChanged(dispId);
}

void CKorvexCtrl::SetCenterWindow(bool value) {
  centerWindow_ = value;
  Relayout();
  Changed(kDispCenterWindow);
}

void CKorvexCtrl::SetCaptureFilePath(const QString& value) {
  captureFilePath_ = value;
  capture_->SetCaptureFile(value);
  Changed(kDispCaptureFilePath);
}

void CKorvexCtrl::SetPreview(bool value) {
  preview_ = value;
  capture_->SetPreview(value);
  Changed(kDispPreview);
}

void CKorvexCtrl::SetWithAudio(bool value) {
  withAudio_ = value;
  CaptureParams params;
  capture_->GetSequenceSetup(params);
  params.captureAudio = value;
  capture_->SetSequenceSetup(params);
  Changed(kDispWithAudio);
}

void CKorvexCtrl::SetFrames(int value) {
  frames_ = value;
  CaptureParams params;
  capture_->GetSequenceSetup(params);
  // 0 or less would divide by zero or ask for a negative period: record at the device's own rate.
  params.microSecPerFrame = value > 0 ? 1000000 / value : 0;
  capture_->SetSequenceSetup(params);
  Changed(kDispFrames);
}

void CKorvexCtrl::SetStatusHWND(qint64 value) {
  statusHWND_ = value;
  capture_->SetStatusWindow(value);
  Changed(kDispStatusHWND);
}

void CKorvexCtrl::SetConfirmWindow(bool value) {
  confirmWindow_ = value;
  Changed(kDispConfirmWindow);
}

void CKorvexCtrl::SetLimitEnabled(bool value) {
  limitEnabled_ = value;
  Changed(kDispLimitEnabled);
}

void CKorvexCtrl::SetLimitTime(int value) {
  limitTime_ = AbsoluteValue(value);
  Changed(kDispLimitTime);
}

void CKorvexCtrl::SetUseVideoOverlay(bool value) {
  useVideoOverlay_ = value;
  capture_->SetOverlay(value);
  Changed(kDispUseVideoOverlay);
}

void CKorvexCtrl::SetPreviewRate(int value) {
  previewRate_ = AbsoluteValue(value == 0 ? 15 : value);
  capture_->SetPreviewRate(previewRate_);
  Changed(kDispPreviewRate);
}

void CKorvexCtrl::SetDeviceIndex(int value) {
  deviceIndex_ = AbsoluteValue(value);
  capture_->ConnectDevice(deviceIndex_);
  Changed(kDispDeviceIndex);
}

bool CKorvexCtrl::GetVideoFormat() const {
  return capture_->HasVideoFormatDialog();
}
bool CKorvexCtrl::GetVideoSource() const {
  return capture_->HasVideoSourceDialog();
}
bool CKorvexCtrl::GetVideoDisplay() const {
  return capture_->HasVideoDisplayDialog();
}
bool CKorvexCtrl::GetVideoOverlay() const {
  return capture_->HasOverlay();
}
int CKorvexCtrl::GetVideoWidth() const {
  return capture_->GetVideoWidth();
}
int CKorvexCtrl::GetVideoHeight() const {
  return capture_->GetVideoHeight();
}
int CKorvexCtrl::GetNumDrivers() const {
  // Reading the count is reading the list again: cameras plugged in since are counted from now on.
  return capture_->ReadDriverList();
}

void CKorvexCtrl::SetVideoWidth(int value) {
  capture_->SetVideoWidth(AbsoluteValue(value));
  Relayout();
  Changed(kDispVideoWidth);
}

void CKorvexCtrl::SetVideoHeight(int value) {
  capture_->SetVideoHeight(AbsoluteValue(value));
  Relayout();
  Changed(kDispVideoHeight);
}

bool CKorvexCtrl::Save(const QString& filePath) {
  capture_->SaveCaptureFileAs(filePath);
  return true;
}

void CKorvexCtrl::StartCapture() {
  capture_->SetCaptureFile(captureFilePath_);
  capture_->StartSequence(confirmWindow_, limitEnabled_, limitTime_);
}

void CKorvexCtrl::DlgVideoFormat() {
  capture_->ShowVideoFormatDialog();
}
void CKorvexCtrl::DlgVideoSource() {
  capture_->ShowVideoSourceDialog();
}
void CKorvexCtrl::DlgAudioFormat() {
  capture_->ShowAudioFormatDialog();
}
void CKorvexCtrl::DlgVideoDisplay() {
  capture_->ShowVideoDisplayDialog();
}
void CKorvexCtrl::SaveDIB(const QString& filePath) {
  capture_->GrabToDib(filePath);
}
void CKorvexCtrl::EditCopy() {
  capture_->GrabToClipboard();
}
bool CKorvexCtrl::CopyDIB(qintptr hDC) {
  return capture_->GrabToDeviceContext(hDC);
}

QString CKorvexCtrl::DeviceNameList(int index) const {
  const int i = AbsoluteValue(index);
  QStringList names, versions;
  capture_->DriverList(names, versions);
  if (i >= names.size()) return {};
  return QStringLiteral("%1 [%2]").arg(names[i], versions[i]);
}

void CKorvexCtrl::SetBackColor(const QColor& color) {
  backColor_ = color;
  update();
  Changed(kDispBackColor);
}

void CKorvexCtrl::SetBorderStyle(int style) {
  borderStyle_ = style;
  update();
  Changed(kDispBorderStyle);
}

void CKorvexCtrl::SetAppearance(int appearance) {
  appearance_ = appearance;
  update();
  Changed(kDispAppearance);
}

QString CKorvexCtrl::AppearanceDisplayString(int appearance) {
  switch (appearance) {
    case 0:
      return QStringLiteral("0 - ﾌﾗｯﾄ");
    case 1:
      return QStringLiteral("1 - 3D");
    default:
      return {};
  }
}

std::unique_ptr<QMessageBox> CKorvexCtrl::MakeAboutBox() {
  const bool japanese = Language() == UiLanguage::Japanese;
  auto box = std::make_unique<QMessageBox>(this);
  box->setIcon(QMessageBox::Information);
  box->setWindowTitle(japanese ? QStringLiteral("Korvex のバージョン情報") : QStringLiteral("About Korvex"));
  box->setText(japanese ? QStringLiteral("Korvex キャプチャ コントロール バージョン 1.4")
                        : QStringLiteral("Korvex Capture Control Version 1.4"));
  box->setStandardButtons(QMessageBox::Ok);
  return box;
}

void CKorvexCtrl::AboutBox() {
  auto box = MakeAboutBox();
  capture_->RunDialog(*box);
}

UiLanguage CKorvexCtrl::Language() {
  auto& slot = LanguageSlot();
  if (!slot)
    slot = QLocale::system().language() == QLocale::Japanese ? UiLanguage::Japanese : UiLanguage::English;
  return *slot;
}

void CKorvexCtrl::SetLanguage(UiLanguage language) {
  LanguageSlot() = language;
}

QString CKorvexCtrl::PageCaption() {
  return Language() == UiLanguage::Japanese ? QStringLiteral("全般") : QStringLiteral("General");
}

void CKorvexCtrl::ShowPropertyPage() {
  CKorvexPropPage page(*this, this);
  capture_->RunDialog(page);
}

void CKorvexCtrl::ResetDefaults() {
  centerWindow_ = true;
  preview_ = false;
  withAudio_ = true;
  frames_ = 15;
  captureFilePath_.clear();
  confirmWindow_ = true;
  limitEnabled_ = false;
  limitTime_ = 0;
  useVideoOverlay_ = false;
  previewRate_ = 15;
  deviceIndex_ = 0;
}

void CKorvexCtrl::SaveProperties(QDataStream& out) const {
  out << kPropertyVersion << centerWindow_ << preview_ << withAudio_ << qint32(frames_) << captureFilePath_
      << confirmWindow_ << limitEnabled_ << qint32(limitTime_) << useVideoOverlay_ << qint32(previewRate_)
      << qint32(deviceIndex_);
}

bool CKorvexCtrl::LoadProperties(QDataStream& in) {
  quint32 version = 0;
  bool center = true, preview = false, audio = true, confirm = true, limit = false, overlay = false;
  qint32 frames = 15, limit_time = 0, rate = 15, device = 0;
  QString path;
  in >> version >> center >> preview >> audio >> frames >> path >> confirm >> limit >> limit_time >>
      overlay >> rate >> device;
  const bool ours = version == kPropertyVersion && in.status() == QDataStream::Ok;
  ResetDefaults();
  if (ours) {
    centerWindow_ = center;
    preview_ = preview;
    withAudio_ = audio;
    frames_ = frames;
    captureFilePath_ = path;
    confirmWindow_ = confirm;
    limitEnabled_ = limit;
    limitTime_ = AbsoluteValue(limit_time);
    useVideoOverlay_ = overlay;
    previewRate_ = AbsoluteValue(rate == 0 ? 15 : rate);
    deviceIndex_ = AbsoluteValue(device);
  }
  // As at creation, only the preview rate reaches the capture window; the rest goes when next set.
  capture_->SetPreviewRate(previewRate_);
  modified_ = false;
  return ours;
}

QByteArray CKorvexCtrl::SavedProperties() const {
  QByteArray data;
  QDataStream out(&data, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_6_0);
  SaveProperties(out);
  return data;
}

bool CKorvexCtrl::LoadProperties(const QByteArray& data) {
  QDataStream in(data);
  in.setVersion(QDataStream::Qt_6_0);
  return LoadProperties(in);
}

void CKorvexCtrl::Relayout() {
  if (window()->isMinimized() || !HasWindow()) return;
  if (centerWindow_)
    capture_->CenterIn(width(), height());
  else
    capture_->move(0, 0);
}

void CKorvexCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Relayout();
}

void CKorvexCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), backColor_);
  if (borderStyle_ == 1) {
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = 1;
    frame.state |= appearance_ == 1 ? QStyle::State_Sunken : QStyle::State_None;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
  }
}

void CKorvexCtrl::OnCaptureWindowMessage(unsigned message, int code, const CaptureStatus& status) {
  if (message != kOwnerMessage || code != kStatusEndCapture) return;
  emit EndCapture(ClampToInt(status.currentVideoFrame), ClampToInt(status.framesDropped));
}

}  // namespace korvex
