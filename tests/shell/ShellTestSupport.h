#pragma once
// Helpers of the shell tests: a real main window under the offscreen platform with a manual clock,
// temporary program and working folders, recorded message boxes and a recording or real engine.

#include "Form1.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"
#include "TrayIcon.h"

#include <korvex/CaptureDevice.h>

#include <QLineEdit>

#include <memory>
#include <ostream>
#include <vector>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace quorvin::test {

// Records the save cycles with the moment and the tray picture each ran with.
class RecordingEngine final : public ShellEngine {
 public:
  struct Save {
    bool live;
    QDateTime at;
    bool trayPresent;
    TrayIcon::Picture tray;
  };
  explicit RecordingEngine(const Clock& clock) : clock_(clock) {}
  void SaveLiveImages() override { Record(true); }
  void SaveHistoryImages() override { Record(false); }
  bool SelectDevice(int index, int position, bool) override {
    selections.push_back({index, position});
    return true;
  }
  void UseOverlayIfAvailable() override {}
  SnapshotResult SaveSnapshot(const QString& folder) override {
    snapshots.push_back(folder);
    return {true, folder, {}};
  }
  void AttachVideo(korvex::CKorvexCtrl*) override {}

  int Count(bool live) const;
  std::vector<Save> saves;
  std::vector<std::pair<int, int>> selections;
  std::vector<QString> snapshots;
  Form1* form = nullptr;  // to look at the tray during a save

 private:
  void Record(bool live);
  const Clock& clock_;
};

// n built-in test pattern devices.
std::shared_ptr<korvex::DeviceSource> TestDevices(int n);

// One main window with everything it touches in temporary folders.
class Shell {
 public:
  // recordingEngine: the scheduler's captures are recorded instead of written.
  explicit Shell(bool recordingEngine = true, int devices = 2);
  ~Shell();

  Form1Options Options();
  // The window, made on first use with Options() as they are then.
  Form1& form();
  // Loads the defaults (no settings file) and shows them, as a start-up without devices would.
  void LoadDefaults();
  // One tick at the clock's current time.
  void Tick() { form().Timer1_Timer(); }
  // Moves the clock in steps of `stepMs`, ticking after each, until `seconds` have passed. The default
  // step is Timer1's own interval.
  void Run(qint64 seconds, qint64 stepMs = 500);
  QString SettingsFile(const QString& suffix = {}) const { return work.File("quorvin18" + suffix + ".ini"); }
  template <typename W>
  W* Find(const QString& name) {
    return form().findChild<W*>(name);
  }
  QLineEdit* Box(const QString& name) { return Find<QLineEdit>(name); }

  WorkingFolder work;
  ManualClock clock{QDateTime(QDate(1999, 6, 29), QTime(12, 0, 0))};
  RecordingMessageBoxes boxes;
  ScriptedDialogs dialogs;
  std::vector<int> ended;
  RecordingEngine* engine = nullptr;
  QString suffix;
  bool realBoxes = false;  // the program's own QMessageBox boxes instead of recorded ones
  bool runTimer = false;   // Timer1 fires by itself
  int deviceCount;
  std::shared_ptr<korvex::DeviceSource> devices;  // TestDevices(deviceCount) when not set
  bool recording;

 private:
  std::unique_ptr<Form1> form_;
};

}  // namespace quorvin::test
