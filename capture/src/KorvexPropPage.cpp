#include <korvex/KorvexCtrl.h>
#include <korvex/KorvexPropPage.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace korvex {

const char* const CKorvexPropPage::kBrowseTitle = "ｷｬﾌﾟﾁｬﾌｧｲﾙの設定";
const char* const CKorvexPropPage::kBrowseFilter = "AVI ﾌｧｲﾙ (*.AVI)";

namespace {
struct Captions {
  QString file, center, confirm, frames, limit, limitTime, seconds, preview, audio, overlay, rate, browse,
      title;
};

Captions PageCaptions() {
  if (CKorvexCtrl::Language() == UiLanguage::Japanese) {
    return {QStringLiteral("一時キャプチャファイル"),
            QStringLiteral("中央に表示"),
            QStringLiteral("確認表示"),
            QStringLiteral("フレーム/秒"),
            QStringLiteral("時間制限"),
            QStringLiteral("制限時間"),
            QStringLiteral("秒"),
            QStringLiteral("プレビュー表示"),
            QStringLiteral("音声も記録"),
            QStringLiteral("ビデオ オーバーレイ"),
            QStringLiteral("プレビュー レート"),
            QStringLiteral("参照"),
            QStringLiteral("Korvex のプロパティ")};
  }
  return {QStringLiteral("Temp Capture File"),
          QStringLiteral("Center"),
          QStringLiteral("Confirm Display"),
          QStringLiteral("Frames/s"),
          QStringLiteral("Limit"),
          QStringLiteral("Limit Time"),
          QStringLiteral("Sec."),
          QStringLiteral("Preview Display"),
          QStringLiteral("With Audio"),
          QStringLiteral("Video Ovaley"),
          QStringLiteral("PreviewRate"),
          QStringLiteral("Brows"),
          QStringLiteral("Korvex Properties")};
}

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}
}  // namespace

CKorvexPropPage::CKorvexPropPage(CKorvexCtrl& control, QWidget* parent)
    : QDialog(parent), control_(control), runFileDialog_([](QFileDialog& d) { return d.exec(); }) {
  const Captions c = PageCaptions();
  setWindowTitle(c.title);
  auto* tabs = new QTabWidget(this);
  auto* page = new QWidget(tabs);
  tabs->addTab(page, CKorvexCtrl::PageCaption());
  auto* grid = new QGridLayout(page);

  captureFilePath_ = Named(new QLineEdit(page), "CaptureFilePath");
  auto* browse = Named(new QPushButton(c.browse, page), "Brows");
  centerWindow_ = Named(new QCheckBox(c.center, page), "CenterWindow");
  confirmWindow_ = Named(new QCheckBox(c.confirm, page), "ConfirmWindow");
  frames_ = Named(new QLineEdit(page), "Frames");
  limitEnabled_ = Named(new QCheckBox(c.limit, page), "LimitEnabled");
  limitTime_ = Named(new QLineEdit(page), "LimitTime");
  limitTimeLabel_ = Named(new QLabel(c.limitTime, page), "LimitTimeLabel");
  limitUnitLabel_ = Named(new QLabel(c.seconds, page), "LimitTimeUnit");
  preview_ = Named(new QCheckBox(c.preview, page), "Preview");
  withAudio_ = Named(new QCheckBox(c.audio, page), "WithAudio");
  useVideoOverlay_ = Named(new QCheckBox(c.overlay, page), "UseVideoOverlay");
  previewRate_ = Named(new QLineEdit(page), "PreviewRate");
  for (QLineEdit* number : {frames_, limitTime_, previewRate_})
    number->setValidator(new QIntValidator(number));

  grid->addWidget(new QLabel(c.file, page), 0, 0);
  grid->addWidget(captureFilePath_, 0, 1, 1, 2);
  grid->addWidget(browse, 0, 3);
  grid->addWidget(centerWindow_, 1, 0);
  grid->addWidget(preview_, 1, 1);
  grid->addWidget(confirmWindow_, 2, 0);
  grid->addWidget(withAudio_, 2, 1);
  grid->addWidget(useVideoOverlay_, 3, 0);
  grid->addWidget(new QLabel(c.frames, page), 4, 0);
  grid->addWidget(frames_, 4, 1);
  grid->addWidget(new QLabel(c.rate, page), 5, 0);
  grid->addWidget(previewRate_, 5, 1);
  grid->addWidget(limitEnabled_, 6, 0);
  grid->addWidget(limitTimeLabel_, 7, 0);
  grid->addWidget(limitTime_, 7, 1);
  grid->addWidget(limitUnitLabel_, 7, 2);

  auto* buttons =
      new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    Apply();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, &CKorvexPropPage::Apply);
  connect(limitEnabled_, &QCheckBox::clicked, this, &CKorvexPropPage::UpdateLimitEnabling);
  connect(browse, &QPushButton::clicked, this, &CKorvexPropPage::Browse);
  Load();
}

void CKorvexPropPage::Load() {
  captureFilePath_->setText(control_.GetCaptureFilePath());
  centerWindow_->setChecked(control_.GetCenterWindow());
  confirmWindow_->setChecked(control_.GetConfirmWindow());
  frames_->setText(QString::number(control_.GetFrames()));
  limitEnabled_->setChecked(control_.GetLimitEnabled());
  limitTime_->setText(QString::number(control_.GetLimitTime()));
  preview_->setChecked(control_.GetPreview());
  withAudio_->setChecked(control_.GetWithAudio());
  useVideoOverlay_->setChecked(control_.GetUseVideoOverlay());
  previewRate_->setText(QString::number(control_.GetPreviewRate()));
  UpdateLimitEnabling();
}

void CKorvexPropPage::Apply() {
  // Only changed values are set, so an untouched page neither restarts the preview nor marks the control.
  auto set_bool = [&](int id, QCheckBox* box, bool current) {
    if (box->isChecked() != current) control_.Invoke(id, DispatchKind::PropertyPut, {box->isChecked()});
  };
  auto set_int = [&](int id, QLineEdit* edit, int current) {
    bool ok = false;
    const int value = edit->text().toInt(&ok);
    if (ok && value != current) control_.Invoke(id, DispatchKind::PropertyPut, {value});
  };
  if (captureFilePath_->text() != control_.GetCaptureFilePath())
    control_.Invoke(kDispCaptureFilePath, DispatchKind::PropertyPut, {captureFilePath_->text()});
  set_bool(kDispCenterWindow, centerWindow_, control_.GetCenterWindow());
  set_bool(kDispConfirmWindow, confirmWindow_, control_.GetConfirmWindow());
  set_int(kDispFrames, frames_, control_.GetFrames());
  set_bool(kDispLimitEnabled, limitEnabled_, control_.GetLimitEnabled());
  set_int(kDispLimitTime, limitTime_, control_.GetLimitTime());
  set_bool(kDispPreview, preview_, control_.GetPreview());
  set_bool(kDispWithAudio, withAudio_, control_.GetWithAudio());
  set_bool(kDispUseVideoOverlay, useVideoOverlay_, control_.GetUseVideoOverlay());
  set_int(kDispPreviewRate, previewRate_, control_.GetPreviewRate());
  Load();
}

void CKorvexPropPage::UpdateLimitEnabling() {
  const bool on = limitEnabled_->isChecked();
  limitTime_->setEnabled(on);
  limitTimeLabel_->setEnabled(on);
  limitUnitLabel_->setEnabled(on);
}

std::unique_ptr<QFileDialog> CKorvexPropPage::MakeBrowseDialog() {
  auto dialog = std::make_unique<QFileDialog>(this, QString::fromUtf8(kBrowseTitle));
  dialog->setNameFilter(QString::fromUtf8(kBrowseFilter));
  dialog->setDefaultSuffix(QStringLiteral("AVI"));
  dialog->setFileMode(QFileDialog::AnyFile);  // a new capture file may be named; its folder must exist
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  const QString text = captureFilePath_->text();
  if (!text.isEmpty()) {
    const QFileInfo info(text);
    dialog->setDirectory(info.absolutePath());
    dialog->selectFile(info.fileName());
  }
  return dialog;
}

void CKorvexPropPage::Browse() {
  auto dialog = MakeBrowseDialog();
  if (runFileDialog_(*dialog) != QDialog::Accepted) return;
  const QStringList chosen = dialog->selectedFiles();
  if (!chosen.isEmpty()) captureFilePath_->setText(chosen.first());
}

}  // namespace korvex
