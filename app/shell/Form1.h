#pragma once
// The main window: the status area, the settings tabs SSTab1, the device lists, the command buttons, the
// scheduler timer Timer1 and the tray icon. It owns the process-wide records (settings, naming state,
// imaging controls) and lends them to the scheduler, the panels and the capture engine.

#include "CaptureHealth.h"
#include "CaptureHost.h"
#include "Clock.h"
#include "Dialogs.h"
#include "MessageBoxes.h"
#include "Scheduler.h"
#include "ShellContext.h"
#include "ShellEngine.h"
#include "TextCodec.h"
#include "VideoDevice.h"

#include <QPointer>
#include <QRadioButton>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

namespace korvex {
class DeviceSource;
}

namespace quorvin {

class CapturePanel;
class EffectPanel;
class ErrorLogListener;
class Form2;
class Form4;
class ImageView;
class InstanceLock;
class OutputPanel;
class StampPanel;
class TrayIcon;

struct Form1Options {
  const Clock* clock = &SystemClock::Instance();
  MessageBoxes* boxes = nullptr;  // the QMessageBox ones when not given
  Dialogs* dialogs = nullptr;     // the Qt ones when not given
  QString suffix;                 // the settings-file suffix of the command line
  QString settingsFile;           // the program folder's quorvin18<suffix>.ini when empty
  QString programFolder;          // ProgramFolder() when empty
  QString instanceLockFolder;     // from the executable's path when empty
  // Runs once the single-instance rule has let start-up go on, before the settings are loaded.
  std::function<void()> beforeLoad;
  std::shared_ptr<korvex::DeviceSource> devices;  // the system's devices when null
  // Makes the capture engine once the window exists; the real engine when not given.
  std::function<std::unique_ptr<ShellEngine>(Settings&, NamingState&, ImagingControls&, CaptureHost&,
                                             const Clock&)>
      makeEngine;
  // Ends the process with a status; QCoreApplication::exit when not given.
  std::function<void(int)> endProcess;
  // False keeps Timer1 from firing by itself, so a test drives every tick with its own clock.
  bool runTimer = true;
  // False: the end writes no settings file (a one-shot run).
  bool saveAtEnd = true;
  // False without a display: no window can be seen, so nothing is painted and the preview never converts a
  // frame.
  bool screen = true;
};

// The real engine; defined where the engine library is linked.
std::unique_ptr<ShellEngine> MakeCaptureEngine(Settings&, NamingState&, ImagingControls&, CaptureHost&,
                                               const Clock&);

class Form1 : public QWidget, public CaptureHost, public SchedulerDisplay {
  Q_OBJECT
 public:
  using CycleLabel = CaptureHost::CycleLabel;
  explicit Form1(Form1Options options);
  ~Form1() override;

  // Start-up in its fifteen steps. False when the program is ending instead (a second instance, a fatal
  // load error, an end asked for during start-up); then Ending() is true and the loop must not run.
  bool Form_Load();
  // The last step of every load (start-up and "Load Ini Data"): the logo and mask applied, the record
  // shown.
  void SettingsLoaded();
  // Applies the display's corrections to the record and shows every setting in its control; each control's
  // handler stores the value back unchanged.
  void RefreshWindowFromSettings();
  void RefreshNamePreview();
  void FitVideoWindow() override;

  void Timer1_Timer();
  // After start-up: "Capture now" once, then the end without saving. The exit status: 0 when every
  // enabled output was written, kExitCaptureFailed when any failure was logged or the end came first.
  int CaptureOnce();
  void Command1_Click(int index);
  // "Stamp Preview" and "Effect Preview": the area window, one at a time.
  void Command2_Click(int index);
  // The folder browser with its kept values; empty when nothing was chosen.
  QString BrowseForFolder();
  const FolderBrowseState& browseState() const { return browse_; }
  // The area window while it is open.
  Form4* form4() const;
  void Combo3_Click(int index);
  // Command3 "DigiCame": one frame as the next numbered full-quality JPEG in the program folder.
  void SaveSnapshot();
  void AddTrayIcon();
  void SetTrayIcon(int index) override;
  void RemoveTrayIcon();
  void ssVER_Click();
  void ssFIN_Click();
  // Form_QueryUnload: the tray icon removed, the settings saved, the process ended. Every way out ends
  // here: "Quit", the close box, the tray menu's quit, and the end signals. Safe at any moment, also inside
  // a capture or a box: the windows go only when the loop has returned, and from the moment the end
  // begins no capture starts or goes on, and nothing is written but the settings file. While a fatal
  // error's box is open, it ends at once with status 1 and saves nothing.
  void EndProgram();
  // SIGTERM, SIGINT, SIGHUP: as EndProgram, but a failed save is only reported on standard error, since
  // no operator may be there to close a box.
  void EndOnSignal(int signalNumber);
  int ExitStatus() const { return exitStatus_; }

  // The capture health: counted from every live and history cycle, written to the health file beside the
  // settings file after each, and the stale-capture alarm.
  const CaptureHealth& health() const { return health_; }
  QString HealthFilePath() const { return healthPath_; }
  // Label10 as the scheduler last set it: the scheduler's state.
  QString StateText() const { return stateText_; }
  // The alarm check: every second on a timer of its own (so captures that stop coming because the
  // scheduler stopped are noticed too), after every tick and after every capture.
  void CheckCaptureHealth();

  // CaptureHost
  bool Ending() const override { return phase_ == Phase::Ending; }
  void SetTimerEnabled(bool enabled) override;
  void SetCycleLabelColor(CycleLabel label, int32_t colorBgr) override;
  void ProcessPendingEvents() override;
  void SetBusyCursor(bool busy) override;
  void SetSourceLabel(const QString& text) override;
  // SchedulerDisplay
  void ShowClock(const QString& text) override;
  void SetCycleLabelText(CycleLabel label, const QString& text) override;
  void SetCycleLabelEnabled(CycleLabel label, bool enabled) override;
  void ShowState(const QString& text, int32_t colorBgr) override;
  void ShowStampSample(const QString& text) override;

  Settings& settings() { return settings_; }
  NamingState& naming() { return naming_; }
  ImagingControls& imaging() { return controls_; }
  Scheduler& scheduler() { return *scheduler_; }
  TrayIcon& tray() { return *tray_; }
  ShellContext& context() { return context_; }
  Dialogs& dialogs() { return *dialogs_; }
  CapturePanel& capturePanel() { return *capturePanel_; }
  OutputPanel& outputPanel() { return *outputPanel_; }
  StampPanel& stampPanel() { return *stampPanel_; }
  EffectPanel& effectPanel() { return *effectPanel_; }
  QTabWidget* SSTab1() const { return tabs_; }
  QTimer* Timer1() const { return timer_; }
  bool Timer1Enabled() const { return timerEnabled_; }
  // The preview window, created when first addressed.
  Form2* form2();
  bool HasForm2() const { return !form2_.isNull(); }
  QString SettingsSuffix() const { return suffix_; }
  QString SettingsPath() const { return settingsPath_; }
  // The folder of the program (or the one given in the options): settings file and snapshots.
  QString ProgramFolderInUse() const;

 signals:
  // The end has begun: nothing is captured any more.
  void EndBegan();
  // The stale-capture alarm was raised (stale) or cleared, with its text in the operator's language.
  void CaptureAlarm(bool stale, const QString& text);
  // A live or history cycle ended; `succeeded` as the health record counts it.
  void CaptureFinished(quorvin::CaptureKind kind, bool succeeded);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* BuildStatusArea();
  QWidget* BuildDeviceArea();
  QWidget* BuildCommandArea();
  void ListTwainSources();
  void ListVideoDevices();
  // Combo3(1) from the capture control's list, read again; the number of devices.
  int FillVideoList();
  void VideoDevicesChanged() { videoDevicesChanged_ = true; }
  // After the capture control reported a change, once per tick: the list is read again, and until the
  // operator chooses a device, a device plugged in at the DevIndex entry is used for this run.
  void FollowVideoDevices();
  void LookForStoredCamera();
  // A save killed half-way leaves its temporary file in the settings, live or history folder.
  void RemoveTemporariesOfKilledSaves();
  void SelectInList(int list, int stored);
  void ShowPreviewWindow();
  void ChooseDirectory(int index);
  void ChooseLogoFile(int index);
  void ChooseStampFont();
  void CloseForm4();
  // LoadSettings with the fatal error's end: false when the file was not read whole.
  bool LoadSettingsFile();
  // An end that saves nothing, begun before its box opens, so no tick runs while the box waits.
  void BeginEndWithoutSaving(int status);
  void End(MessageBoxes* saveErrors);
  void FinishEnd();
  QLabel* CycleLabelWidget(CycleLabel label) const { return label == CycleLabel::Live ? Label4_ : Label7_; }
  // Health (Form1Health.cpp).
  void WatchCycles();
  bool LiveCapturesDue() const;
  void CycleFinished(CaptureKind kind);
  void HealthChanged(CaptureHealth::Change change);
  void WriteHealthFile();
  void ShowStateWithAlarm();

  Form1Options options_;
  const Clock& clock_;
  std::unique_ptr<MessageBoxes> ownBoxes_;
  MessageBoxes* boxes_;
  std::unique_ptr<Dialogs> ownDialogs_;
  Dialogs* dialogs_;
  Settings settings_;
  NamingState naming_;
  ImagingControls controls_;
  ShellContext context_;
  std::unique_ptr<ShellEngine> engine_;
  std::unique_ptr<Scheduler> scheduler_;
  std::unique_ptr<InstanceLock> instanceLock_;
  QString suffix_;
  QString settingsPath_;
  SettingsEncoding settingsEncoding_ = SettingsEncoding::Cp932;  // a file read as UTF-8 is saved as UTF-8
  CaptureHealth health_;
  std::unique_ptr<ErrorLogListener> errorLogListener_;
  QString healthPath_;
  bool healthWriteFailed_ = false;
  QTimer* healthTimer_ = nullptr;
  QString stateText_;  // Label10 as the scheduler last set it
  int32_t stateColor_ = 0;
  // Timer1 runs only while Running: not while start-up still loads or shows a box, not once the end began.
  enum class Phase { Starting, Running, Ending };
  Phase phase_ = Phase::Starting;
  bool timerEnabled_ = true;
  bool loadedWhole_ = false;  // only a record read whole is saved at the end
  int exitStatus_ = 0;
  bool processEnded_ = false;
  bool refreshing_ = false;
  int videoDevices_ = 0;              // entries of Combo3(1) when it was last filled
  bool videoDevicesChanged_ = false;  // reported by the capture control since
  bool videoChosen_ = false;          // the operator chose in Combo3(1) during this run
  static constexpr int kLookEveryTicks = 20;
  int ticksSinceLook_ = 0;

  QTimer* timer_;
  TrayIcon* tray_;
  QPointer<Form2> form2_;
  QPointer<Form4> form4_;
  std::unique_ptr<VideoDevice> form4Video_;  // the capture control as the area window sees it
  FolderBrowseState browse_;
  QTabWidget* tabs_ = nullptr;
  OutputPanel* outputPanel_ = nullptr;
  CapturePanel* capturePanel_ = nullptr;
  EffectPanel* effectPanel_ = nullptr;
  StampPanel* stampPanel_ = nullptr;
  ImageView* lead1View_ = nullptr;
  QLabel* Label5_4_ = nullptr;
  QLabel* Label4_ = nullptr;
  QLabel* Label7_ = nullptr;
  QLabel* Label10_ = nullptr;
  std::array<QComboBox*, 2> Combo3_{};
  std::array<QRadioButton*, 2> Option4_{};
};

}  // namespace quorvin
