// The driver dialogs and the property page, driven through the dialog runner as a user would.
#include "DriverDialogs.h"
#include "KorvexTestSupport.h"

#include <korvex/CaptureWindow.h>
#include <korvex/KorvexCtrl.h>
#include <korvex/KorvexPropPage.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>

namespace korvex::test {

namespace {
template <typename T>
T* Child(QObject& parent, const char* name) {
  return parent.findChild<T*>(QString::fromLatin1(name));
}
void Choose(QComboBox* box, const QString& text) {
  const int i = box->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  box->setCurrentIndex(i);
}
}  // namespace

class KorvexDialogTest : public KorvexTest {};

TEST_F(KorvexDialogTest, FormatDialogChangesTheDeviceFormat) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  control.resize(1000, 800);
  control.SetDialogRunner([](QDialog& dialog) {
    auto* pixel = Child<QComboBox>(dialog, "pixelBox");
    auto* size = Child<QComboBox>(dialog, "sizeBox");
    auto* rate = Child<QComboBox>(dialog, "rateBox");
    EXPECT_EQ(pixel->currentText(), QStringLiteral("BGRx"));
    EXPECT_EQ(size->currentText(), QStringLiteral("640 x 480"));
    Choose(pixel, QStringLiteral("I420"));
    Choose(size, QStringLiteral("320 x 240"));
    Choose(rate, QStringLiteral("15 fps"));
    return int(QDialog::Accepted);
  });
  control.DlgVideoFormat();
  const VideoFormat now = control.captureWindow()->CurrentFormat();
  EXPECT_EQ(now, (VideoFormat{320, 240, 15, 1, QStringLiteral("I420")}));
  EXPECT_EQ(control.GetVideoWidth(), 320);
  EXPECT_EQ(control.captureWindow()->geometry(), QRect(340, 280, 320, 240));  // centred in the parent
  QImage host(320, 240, QImage::Format_RGB32);
  EXPECT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));

  control.SetDialogRunner([](QDialog& dialog) {
    Choose(Child<QComboBox>(dialog, "sizeBox"), QStringLiteral("1920 x 1080"));
    return int(QDialog::Rejected);
  });
  control.DlgVideoFormat();
  EXPECT_EQ(control.GetVideoWidth(), 320);
}

TEST_F(KorvexDialogTest, SourceDialogAppliesLiveKeepsOnOkAndRevertsOnCancel) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  auto device = control.captureWindow()->CurrentDevice();
  control.SetDialogRunner([](QDialog& dialog) {
    Choose(Child<QComboBox>(dialog, "control_pattern"), QStringLiteral("Red"));
    Child<QSpinBox>(dialog, "control_motion")->setValue(0);
    return int(QDialog::Accepted);
  });
  control.DlgVideoSource();
  QImage host(640, 480, QImage::Format_RGB32);
  ASSERT_TRUE(control.CopyDIB(reinterpret_cast<qintptr>(&host)));
  EXPECT_TRUE(Near(MeanColor(host, 320, 240), QColor(255, 0, 0)));
  QSettings ini(DevicesIni(), QSettings::IniFormat);
  EXPECT_EQ(ini.value(QStringLiteral("device test-pattern/controls/pattern")).toInt(), 4);

  control.SetDialogRunner([&](QDialog& dialog) {
    Choose(Child<QComboBox>(dialog, "control_pattern"), QStringLiteral("Blue"));
    EXPECT_EQ(device->Controls()[0].value, 6);  // applied at once, for the preview
    return int(QDialog::Rejected);
  });
  control.DlgVideoSource();
  EXPECT_EQ(device->Controls()[0].value, 4);

  // A new control on the same device gets the stored controls, as from a driver.
  CKorvexCtrl again(nullptr, SingleTestDevice());
  EXPECT_EQ(again.captureWindow()->CurrentDevice()->Controls()[0].value, 4);
}

TEST_F(KorvexDialogTest, AudioFormatDialogHasItsTitleAndKeepsTheChoice) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  QString title;
  control.SetDialogRunner([&](QDialog& dialog) {
    title = dialog.windowTitle();
    Choose(Child<QComboBox>(dialog, "rateBox"), QStringLiteral("22050 Hz"));
    Choose(Child<QComboBox>(dialog, "channelsBox"), QStringLiteral("Stereo"));
    Choose(Child<QComboBox>(dialog, "bitsBox"), QStringLiteral("8 bit"));
    return int(QDialog::Accepted);
  });
  EXPECT_TRUE(control.captureWindow()->ShowAudioFormatDialog());
  EXPECT_EQ(title, QStringLiteral("ｻﾝﾌﾟﾘﾝｸﾞ Format Selection"));
  EXPECT_EQ(control.captureWindow()->GetAudioFormat(), (AudioFormat{22050, 2, 8}));
  control.SetDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
  EXPECT_FALSE(control.captureWindow()->ShowAudioFormatDialog());
  CKorvexCtrl again(nullptr, SingleTestDevice());
  EXPECT_EQ(again.captureWindow()->GetAudioFormat(), (AudioFormat{22050, 2, 8}));
}

TEST_F(KorvexDialogTest, WithoutADisplayDialogsCountAsCancelled) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  control.DlgVideoFormat();
  control.DlgVideoSource();
  control.DlgVideoDisplay();
  EXPECT_FALSE(control.captureWindow()->ShowAudioFormatDialog());
  EXPECT_EQ(control.GetVideoWidth(), 640);
}

class KorvexPropPageTest : public KorvexTest {};

TEST_F(KorvexPropPageTest, CaptionsFieldsAndTheLimitRule) {
  CKorvexCtrl::SetLanguage(UiLanguage::English);
  CKorvexCtrl control(nullptr, SingleTestDevice());
  control.SetFrames(12);
  CKorvexPropPage page(control);
  EXPECT_EQ(Child<QTabWidget>(page, "")->tabText(0), QStringLiteral("General"));
  EXPECT_EQ(Child<QCheckBox>(page, "CenterWindow")->text(), QStringLiteral("Center"));
  EXPECT_EQ(Child<QCheckBox>(page, "ConfirmWindow")->text(), QStringLiteral("Confirm Display"));
  EXPECT_EQ(Child<QCheckBox>(page, "LimitEnabled")->text(), QStringLiteral("Limit"));
  EXPECT_EQ(Child<QCheckBox>(page, "Preview")->text(), QStringLiteral("Preview Display"));
  EXPECT_EQ(Child<QCheckBox>(page, "WithAudio")->text(), QStringLiteral("With Audio"));
  EXPECT_EQ(Child<QCheckBox>(page, "UseVideoOverlay")->text(), QStringLiteral("Video Ovaley"));
  EXPECT_EQ(Child<QLabel>(page, "LimitTimeLabel")->text(), QStringLiteral("Limit Time"));
  EXPECT_EQ(Child<QLabel>(page, "LimitTimeUnit")->text(), QStringLiteral("Sec."));
  EXPECT_EQ(Child<QPushButton>(page, "Brows")->text(), QStringLiteral("Brows"));
  EXPECT_EQ(Child<QLineEdit>(page, "Frames")->text(), QStringLiteral("12"));

  auto* limit = Child<QCheckBox>(page, "LimitEnabled");
  auto* time = Child<QLineEdit>(page, "LimitTime");
  EXPECT_FALSE(time->isEnabled());
  EXPECT_FALSE(Child<QLabel>(page, "LimitTimeLabel")->isEnabled());
  limit->click();
  EXPECT_TRUE(time->isEnabled());
  EXPECT_TRUE(Child<QLabel>(page, "LimitTimeUnit")->isEnabled());
  limit->click();
  EXPECT_FALSE(time->isEnabled());

  CKorvexCtrl::SetLanguage(UiLanguage::Japanese);
  CKorvexPropPage japanese(control);
  EXPECT_EQ(Child<QTabWidget>(japanese, "")->tabText(0), QStringLiteral("全般"));
  CKorvexCtrl::SetLanguage(UiLanguage::English);
}

TEST_F(KorvexPropPageTest, ApplySetsChangedPropertiesThroughTheControl) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  CKorvexPropPage page(control);
  QSignalSpy changed(&control, &CKorvexCtrl::PropertyChanged);
  page.Apply();
  EXPECT_TRUE(changed.isEmpty());
  Child<QLineEdit>(page, "PreviewRate")->setText(QStringLiteral("0"));
  Child<QLineEdit>(page, "LimitTime")->setText(QStringLiteral("-30"));
  Child<QCheckBox>(page, "WithAudio")->setChecked(false);
  page.Apply();
  EXPECT_EQ(control.GetPreviewRate(), 15);
  EXPECT_EQ(control.GetLimitTime(), 30);
  EXPECT_FALSE(control.GetWithAudio());
  EXPECT_EQ(Child<QLineEdit>(page, "LimitTime")->text(), QStringLiteral("30"));  // the page shows the result
  QList<int> ids;
  for (const auto& call : changed) ids << call[0].toInt();
  EXPECT_EQ(ids, (QList<int>{kDispLimitTime, kDispWithAudio, kDispPreviewRate}));
}

TEST_F(KorvexPropPageTest, BrowseDialogStartsAtTheCurrentFileAndReplacesTheText) {
  CKorvexCtrl control(nullptr, SingleTestDevice());
  control.SetCaptureFilePath(TempPath(QStringLiteral("old.AVI")));
  CKorvexPropPage page(control);
  auto dialog = page.MakeBrowseDialog();
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ｷｬﾌﾟﾁｬﾌｧｲﾙの設定"));
  EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("AVI ﾌｧｲﾙ (*.AVI)")});
  EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("AVI"));
  EXPECT_EQ(QDir(dialog->directory()).absolutePath(),
            QFileInfo(TempPath(QStringLiteral("x"))).absolutePath());

  const QString chosen = TempPath(QStringLiteral("new.AVI"));
  page.SetFileDialogRunner([&](QFileDialog& d) {
    d.selectFile(chosen);
    return int(QDialog::Accepted);
  });
  Child<QPushButton>(page, "Brows")->click();
  EXPECT_EQ(Child<QLineEdit>(page, "CaptureFilePath")->text(), chosen);
  page.SetFileDialogRunner([&](QFileDialog&) { return int(QDialog::Rejected); });
  Child<QPushButton>(page, "Brows")->click();
  EXPECT_EQ(Child<QLineEdit>(page, "CaptureFilePath")->text(), chosen);
}

}  // namespace korvex::test
