// Form1's operator commands: the command buttons Command1(0..13), the folder browser behind the two
// directory buttons, and the area window opened by the two preview buttons Command2(0) and Command2(1).
#include "CommandLine.h"
#include "Controls.h"
#include "ErrorLog.h"
#include "Form1.h"
#include "Form2.h"
#include "Form4.h"
#include "KorvexVideoDevice.h"
#include "Pipeline.h"
#include "SettingsFile.h"
#include "StampPanel.h"

#include <korvex/KorvexCtrl.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <exception>

namespace quorvin {
namespace {

const QString kImageFileFilter =
    QString::fromUtf8("(*.*)|*.*|BMP ファイル (*.bmp)|*.bmp|JPG ファイル (*.jpg)|*.jpg|");

bool NamesFile(const QString& name) {
  return !name.isEmpty() && QFileInfo(name).isFile();
}

}  // namespace

void Form1::Command1_Click(int index) {
  switch (index) {
    case 0:
      // Whatever the scheduler state: the writers check their own switches, the next times stay.
      engine_->SaveLiveImages();
      if (settings_.ch1[Switch::HistoryImage] + settings_.ch1[Switch::HistoryThumbnail] > 0)
        engine_->SaveHistoryImages();
      break;
    case 1:
      close();
      break;
    case 2:
      hide();
      if (HasForm2()) form2_->hide();
      CloseForm4();
      ProcessPendingEvents();
      // The pass may have ended the program; an icon added now would outlive the end.
      if (!Ending()) AddTrayIcon();
      break;
    case 3:
      ShowPreviewWindow();
      break;
    case 4:
      LoadSettingsFile();
      break;
    case 6:
      SaveSettings(settings_, settingsPath_, clock_, boxes_, settingsEncoding_);
      break;
    case 7: {
      korvex::CKorvexCtrl* korvex = form2()->Korvex1();
      korvex->Invoke(korvex::kDispDlgVideoFormat, korvex::DispatchKind::Method);
      korvex->Invoke(korvex::kDispCenterWindow, korvex::DispatchKind::PropertyPut, {false});
      // The preview window and the display image follow a new capture size.
      FitVideoWindow();
      break;
    }
    case 8:
      form2()->Korvex1()->Invoke(korvex::kDispDlgVideoSource, korvex::DispatchKind::Method);
      break;
    case 9:
    case 10:
      ChooseDirectory(index);
      break;
    case 11:
    case 12:
      ChooseLogoFile(index);
      break;
    case 13:
      ChooseStampFont();
      break;
    default:
      break;
  }
}

int Form1::CaptureOnce() {
  const int64_t before = FailuresLogged();
  Command1_Click(0);
  // An end that came during the captures (a signal) may have cut them short.
  const int status = !Ending() && FailuresLogged() == before ? 0 : kExitCaptureFailed;
  BeginEndWithoutSaving(status);
  exitStatus_ = status;
  FinishEnd();
  return status;
}

void Form1::SaveSnapshot() {
  // Addressing Korvex1 creates the preview window and attaches the video device, as any use does.
  form2();
  const SnapshotResult r = engine_->SaveSnapshot(ProgramFolderInUse());
  if (r.ok) return;
  // Without a file name the frame itself could not be had.
  const QString text =
      r.file.isEmpty() ? QCoreApplication::translate("quorvin", "Cannot get a frame (%1).").arg(r.error)
                       : QCoreApplication::translate("quorvin", "Cannot save %1 (%2).").arg(r.file, r.error);
  boxes_->Show(MessageIcon::Exclamation, QStringLiteral("DigiCame"), text);
}

void Form1::ShowPreviewWindow() {
  Form2* preview = form2();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    // Beside the main window: a tenth of the free width and a twentieth of the free height, in twips.
    const QRect area = screen->geometry();
    const QRect main = frameGeometry();
    const int64_t twips = kTwipsPerPixel;
    const int64_t left = int64_t{area.width() - main.width()} * twips / 10 + 3000;
    const int64_t top = int64_t{area.height() - main.height()} * twips / 20 + 2000;
    preview->move(area.left() + static_cast<int>(left / twips), area.top() + static_cast<int>(top / twips));
  }
  FitVideoWindow();
  preview->show();
}

void Form1::ChooseDirectory(int index) {
  QLineEdit* box = context_.text1[index == 9 ? 17 : 18];
  QString& setting = index == 9 ? settings_.histPath : settings_.NetworkPath;
  browse_.BrowseTitle = setting;
  browse_.BrowseOwner = this;
  browse_.BrowseRoot = setting;
  const QString chosen = BrowseForFolder();
  if (chosen.isEmpty()) return;
  box->setText(chosen);
  setting = box->text();
}

QString Form1::BrowseForFolder() {
  // Only file-system folders can be chosen unless someone asked for more.
  if (browse_.BrowseFlags == 0) browse_.BrowseFlags = 1;
  return dialogs_->BrowseForFolder(browse_.BrowseOwner, browse_.BrowseRoot, browse_.BrowseTitle);
}

void Form1::ChooseLogoFile(int index) {
  const bool logo = index == 11;
  const QString& setting = logo ? settings_.LogomarkFilename : settings_.LogomarkMaskFilename;
  const std::optional<QString> chosen =
      dialogs_->OpenFile(this, kImageFileFilter, NamesFile(setting) ? setting : QString());
  if (!chosen) return;
  // The box's own handler stores the name in the setting.
  context_.Text2[logo ? 4 : 5]->setText(*chosen);
  // The file may have gone while the dialog was open; then nothing is loaded.
  if (!NamesFile(setting)) return;
  try {
    if (logo) {
      LoadLogo(controls_, setting);
      stampPanel_->ShowLogoPreview();
    } else {
      controls_.LEAD1[4].LoadImage(setting, 24, 0, 1);
    }
  } catch (const std::exception&) {
    // An unreadable picture ends the command; the name stays for the operator to see.
  }
}

void Form1::ChooseStampFont() {
  std::optional<int> size;
  if (!settings_.SFontSize.isEmpty()) {
    bool ok = false;
    const double points = settings_.SFontSize.trimmed().toDouble(&ok);
    // A size that is no number leaves the dialog its own default.
    if (ok && points > 0) size = qRound(points);
  }
  const std::optional<FontChoice> font =
      dialogs_->ChooseFont(this, settings_.SFontName, size, settings_.stampTextColor);
  if (!font) return;
  settings_.SFontName = font->name;
  settings_.SFontSize = QString::number(font->size);
  settings_.stampTextColor = font->colorBgr;
  SetLabelBackground(stampPanel_->Label2_5, settings_.stampTextColor);
}

void Form1::Command2_Click(int) {
  // Which area the window sets follows the tab that is current when the mouse button comes up.
  if (form4_ && form4_->isVisible()) {
    form4_->raise();
    form4_->activateWindow();
    return;
  }
  // A window the operator closed may still wait for its deletion.
  delete form4_.data();
  form4Video_ = std::make_unique<KorvexVideoDevice>(*form2()->Korvex1());
  auto* form = new Form4(settings_, naming_, controls_, form4Video_.get(), clock_,
                         [tabs = QPointer<QTabWidget>(tabs_)] { return tabs ? tabs->currentIndex() : -1; });
  form4_ = form;
  form->show();
  form->raise();
  form->activateWindow();
}

Form4* Form1::form4() const {
  return form4_.data();
}

void Form1::CloseForm4() {
  // Closing releases its images; deleting at once, not later, frees the borrowed controls now.
  if (!form4_) return;
  form4_->close();
  delete form4_.data();
}

}  // namespace quorvin
