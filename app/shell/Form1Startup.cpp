// Form1's start-up (Form_Load), the settings display and the two procedures of the output panel that
// reach beyond it: RefreshNamePreview and FitVideoWindow.
#include "AtomicFile.h"
#include "CapturePanel.h"
#include "Controls.h"
#include "EffectPanel.h"
#include "Form1.h"
#include "Form2.h"
#include "Naming.h"
#include "OutputPanel.h"
#include "PanelRules.h"
#include "Pipeline.h"
#include "Process.h"
#include "ProgramFolder.h"
#include "SettingsFile.h"
#include "StampPanel.h"
#include "StampText.h"
#include "TrayIcon.h"

#include <korvex/CaptureDevice.h>
#include <korvex/CaptureWindow.h>
#include <korvex/KorvexCtrl.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <exception>

namespace quorvin {
namespace {

// A start-up step that fails is abandoned silently and start-up goes on with the next one.
template <typename Step>
void Try(Step&& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

}  // namespace

bool Form1::Form_Load() {
  // 1. The suffix, or the single-instance rule.
  suffix_ = options_.suffix;
  const QString lockFolder = options_.instanceLockFolder.isEmpty()
                                 ? InstanceLockFolder(QCoreApplication::applicationFilePath())
                                 : options_.instanceLockFolder;
  instanceLock_ = std::make_unique<InstanceLock>(lockFolder);
  const bool another = instanceLock_->OtherInstanceRunning();
  if (suffix_.isEmpty() && another) {
    // Refused: nothing loaded, nothing written, and a signal while the box waits ends it just the same.
    BeginEndWithoutSaving(1);
    boxes_->Show(MessageIcon::Exclamation, QCoreApplication::translate("quorvin", "Load error"),
                 QCoreApplication::translate("quorvin", "This application is already running."));
    FinishEnd();
    return false;
  }

  // 2. From here on a failing step is skipped.
  // 3. The fixed setting of every imaging control.
  Try([&] {
    for (ImagingControl& c : controls_.LEAD1) c.SetSetting56(1);
    controls_.LEAD2.SetSetting56(1);
  });

  // 4. Near the top left: a twentieth of the free width, a fortieth of the free height.
  Try([&] {
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect free = screen->availableGeometry();
      move(free.left() + (free.width() - frameGeometry().width()) / 20,
           free.top() + (free.height() - frameGeometry().height()) / 40);
    }
  });

  // 5. The settings, shown in the window by the load's last step.
  if (options_.beforeLoad) options_.beforeLoad();
  settingsPath_ = options_.settingsFile.isEmpty() ? SettingsFilePath(ProgramFolderInUse(), suffix_)
                                                  : options_.settingsFile;
  healthPath_ = quorvin::HealthFilePath(settingsPath_);
  if (!LoadSettingsFile()) return false;

  // 6.
  Try([&] {
    controls_.LEAD1[0].SetSetting57(true);
    controls_.LEAD1[0].SetSetting2(false);
  });

  // 7 and 8. The device lists.
  Try([&] { ListTwainSources(); });
  Try([&] { ListVideoDevices(); });

  // 9. The first next times count from now.
  scheduler_->ComputeNextCapture(0);
  scheduler_->ComputeNextCapture(1);

  // 10 to 12.
  RefreshWindowFromSettings();
  RefreshNamePreview();
  tabs_->setCurrentIndex(0);
  RemoveTemporariesOfKilledSaves();

  // 13. Desktop or tray. From here on Timer1 runs; the pass below may deliver an end request, and then
  // start-up stops where it is (the settings are saved already).
  phase_ = Phase::Running;
  SetTimerEnabled(timerEnabled_);
  if (settings_.ch1[Switch::StartInTray] == 1) {
    hide();
    ProcessPendingEvents();
    if (Ending()) return false;
    AddTrayIcon();
  } else {
    show();
  }

  // 14 and 15.
  Try([&] { FitVideoWindow(); });
  ApplyEffectAreaDefault(settings_, controls_.LEAD1[0].Width(), controls_.LEAD1[0].Height());
  // A health file from the start on: whoever watches sees this run began, before its first capture.
  WriteHealthFile();
  return true;
}

QString Form1::ProgramFolderInUse() const {
  return options_.programFolder.isEmpty() ? ProgramFolder() : options_.programFolder;
}

namespace {

// Stops the window before the fatal load error's box opens: no tick may run on the half-read record.
class FatalFirst final : public MessageBoxes {
 public:
  FatalFirst(MessageBoxes& boxes, std::function<void()> before) : boxes_(boxes), before_(std::move(before)) {}
  void Show(MessageIcon icon, const QString& title, const QString& text) override {
    boxes_.Show(icon, title, text);
  }
  void Fatal(const QString& title, const QString& text) override {
    before_();
    boxes_.Fatal(title, text);
  }

 private:
  MessageBoxes& boxes_;
  std::function<void()> before_;
};

}  // namespace

bool Form1::LoadSettingsFile() {
  FatalFirst boxes(*boxes_, [this] { BeginEndWithoutSaving(1); });
  LoadOptions load;
  load.boxes = &boxes;
  load.refresh = [this](Settings&) { SettingsLoaded(); };
  load.encoding = &settingsEncoding_;
  loadedWhole_ = LoadSettings(settings_, settingsPath_, load) != LoadStatus::Fatal;
  if (loadedWhole_) return true;
  BeginEndWithoutSaving(1);
  FinishEnd();
  return false;
}

void Form1::ListTwainSources() {
  QComboBox* list = Combo3_[0];
  list->clear();
  ImagingControl& lead = controls_.LEAD1[0];
  if (lead.TwainInit(reinterpret_cast<intptr_t>(lead1View_)) != 0) return;
  const int16_t count = lead.TwainSourceCount();
  if (count == 0) {
    list->addItem(QStringLiteral("No Devices"));
    list->setCurrentIndex(-1);
    return;
  }
  for (int16_t i = 0; i < count; ++i) list->addItem(lead.TwainSourceNameAt(i));
  SelectInList(0, settings_.DevIndexTwain);
}

int Form1::FillVideoList() {
  QComboBox* list = Combo3_[1];
  list->clear();
  korvex::CKorvexCtrl* korvex = form2()->Korvex1();
  const int count = korvex->Invoke(korvex::kDispNumDrivers, korvex::DispatchKind::PropertyGet).value.toInt();
  if (count == 0) {
    list->addItem(QStringLiteral("No Devices"));
    list->setCurrentIndex(-1);
  }
  for (int i = 0; i < count; ++i)
    list->addItem(
        korvex->Invoke(korvex::kDispDeviceNameList, korvex::DispatchKind::Method, {i}).value.toString());
  videoDevices_ = count;
  return count;
}

void Form1::ListVideoDevices() {
  korvex::CKorvexCtrl* korvex = form2()->Korvex1();
  connect(korvex, &korvex::CKorvexCtrl::DevicesChanged, this, &Form1::VideoDevicesChanged,
          Qt::UniqueConnection);
  if (FillVideoList() == 0) return;
  SelectInList(1, settings_.DevIndex);
  korvex->Invoke(korvex::kDispPreview, korvex::DispatchKind::PropertyPut, {true});
  engine_->UseOverlayIfAvailable();
  korvex->Invoke(korvex::kDispCenterWindow, korvex::DispatchKind::PropertyPut, {false});
}

void Form1::LookForStoredCamera() {
  // Where no monitor reports (a fixed node list, no udev) the list is read again every 10 s while the
  // stored entry is not a camera in use: a few ioctls, and nothing at all while it is.
  if (videoChosen_ || ++ticksSinceLook_ < kLookEveryTicks) return;
  ticksSinceLook_ = 0;
  korvex::CaptureWindow* window = form2()->Korvex1()->captureWindow();
  const auto device = window->CurrentDevice();
  if (!device || device->Location().isEmpty() || window->CurrentDeviceIndex() != settings_.DevIndex)
    window->LookForDevices();
}

void Form1::FollowVideoDevices() {
  LookForStoredCamera();
  QComboBox* list = Combo3_[1];
  // Not under the operator's hand: the list is read once it has closed.
  if (!videoDevicesChanged_ || list->view()->isVisible()) return;
  videoDevicesChanged_ = false;
  const int before = videoDevices_;
  const int count = FillVideoList();
  if (count == 0) return;
  const int inUse = form2()->Korvex1()->captureWindow()->CurrentDeviceIndex();
  // Until the operator chooses, the run follows the stored entry as a start now would find it: a device
  // plugged in may be the one DevIndex names (a camera that enumerated late, or one missing at start).
  const int stored = settings_.DevIndex >= 0 && settings_.DevIndex < count ? settings_.DevIndex : -1;
  if (before == 0 || (!videoChosen_ && count > before && stored >= 0 && stored != inUse)) {
    const int position = stored >= 0 ? stored : 0;
    list->setCurrentIndex(position);
    engine_->SelectDevice(1, position, /*store=*/false);
    if (before == 0)
      form2()->Korvex1()->Invoke(korvex::kDispCenterWindow, korvex::DispatchKind::PropertyPut, {false});
    return;
  }
  // The device in use stays; the list shows where it is now.
  list->setCurrentIndex(inUse);
  if (context_.Label6[12]->text().startsWith(QLatin1String("(V")))
    SetSourceLabel(QStringLiteral("(V%1)").arg(inUse));
}

void Form1::RemoveTemporariesOfKilledSaves() {
  const Settings& s = settings_;
  for (const QString& folder :
       {QFileInfo(settingsPath_).path(), s.NetworkPath, s.histPath + naming_.HistorySubPath[0],
        s.histPath + naming_.HistorySubPath[1]})
    RemoveStaleTemporaries(folder);
}

void Form1::SelectInList(int index, int stored) {
  QComboBox* list = Combo3_[index];
  // The stored entry when the list still has it, else the first. That stand-in serves this run only: the
  // stored device stays in the settings and is chosen again at a start that finds it.
  list->setCurrentIndex(stored >= 0 && stored < list->count() ? stored : 0);
  engine_->SelectDevice(index, list->currentIndex(), /*store=*/false);
}

void Form1::SettingsLoaded() {
  // A missing logo or mask name is emptied (and the mask switched off) before the window shows it; a
  // picture that cannot be read keeps its name and leaves no logo.
  Try([&] { ApplyLogoSettings(controls_, settings_); });
  RefreshWindowFromSettings();
}

void Form1::RefreshWindowFromSettings() {
  // The handlers store back what the display shows; a handler that refreshes again must not recurse.
  if (refreshing_) return;
  refreshing_ = true;
  Settings& s = settings_;
  // What the controls would hold the record to, applied by the rules the settings tool reports; the
  // handlers below then store back the same values.
  ApplyDisplayCorrections(s);
  DeriveNameFormats(s, naming_);

  capturePanel_->RefreshIntervals();
  capturePanel_->RefreshOptions();
  const int32_t source = s.op3[Option::Source];
  if (source == 0 || source == 1) SetCheckedQuietly(Option4_[source], true);
  stampPanel_->RefreshOptions();
  effectPanel_->RefreshOptions();
  for (int i = 0; i < Format::Count; ++i) {
    QComboBox* combo = context_.Combo1[i];
    if (s.op2[i] >= 0 && s.op2[i] < combo->count()) {
      combo->setCurrentIndex(s.op2[i]);
      context_.Combo1Click(i);
    } else {
      combo->setCurrentIndex(-1);
    }
  }
  outputPanel_->Refresh();
  stampPanel_->RefreshTexts();
  capturePanel_->RefreshOperationTime();
  SetLabelBackground(stampPanel_->Label2_5, s.stampTextColor);
  capturePanel_->RefreshQuality();
  for (int i = 1; i <= 29; ++i) {
    if (!Check1Shown(i) || !context_.Check1[i]) continue;
    SetCheckedQuietly(context_.Check1[i], s.ch1[i] == 1);
    context_.Check1Click(i);
  }
  effectPanel_->RefreshEffects();
  stampPanel_->RefreshMarkPosition();
  context_.Label1[22]->setEnabled(s.ch1[Switch::StampOnHalfImage] == 1 ||
                                  s.ch1[Switch::StampOnHistoryImage] == 1 ||
                                  s.ch1[Switch::StampOnLiveImage] == 1);
  stampPanel_->ShowLogoPreview();
  refreshing_ = false;
}

void Form1::RefreshNamePreview() {
  Settings& s = settings_;
  if (HistoryHeadNeedsDefault(s)) {
    s.HiFileHead[0] = QStringLiteral("qv");
    context_.text1[2]->setText(s.HiFileHead[0]);
    context_.text1[3]->setText(s.HiFileFoot[0]);
    context_.text1[5]->setText(s.HiFileFoot[1]);
  }
  BuildHistoryNames(s, naming_, clock_);
  outputPanel_->ShowExamplePaths();
  SchedulerState& st = scheduler_->State();
  st.NextHistoryText = NextHistoryTime(st.NowText, s.inter[1], naming_.FileTimeLength);
  // The wrap flag follows the new time, or a time just after midnight would count as reached at once.
  st.HistoryWrapped = st.NowText > st.NextHistoryText;
  context_.Label1[22]->setText(ComposeStampText(s, naming_, clock_));
}

void Form1::FitVideoWindow() {
  korvex::CKorvexCtrl* korvex = form2()->Korvex1();
  const int w = korvex->Invoke(korvex::kDispVideoWidth, korvex::DispatchKind::PropertyGet).value.toInt();
  const int h = korvex->Invoke(korvex::kDispVideoHeight, korvex::DispatchKind::PropertyGet).value.toInt();
  const VideoWindowTwips t = FitVideoWindowTwips(w, h);
  form2_->resize(TwipsToPixels(t.formWidth), TwipsToPixels(t.formHeight));
  controls_.LEAD1[0].SetWidth(static_cast<float>(t.leadWidth));
  controls_.LEAD1[0].SetHeight(static_cast<float>(t.leadHeight));
}

}  // namespace quorvin
