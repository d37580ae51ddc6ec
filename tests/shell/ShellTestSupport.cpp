#include "ShellTestSupport.h"

#include "SettingsFile.h"

#include <korvex/TestPatternDevice.h>

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

// The application object and private config and runtime folders for the whole test program, so neither
// the capture control's device settings nor the instance lock reach the user's own folders. The windows
// are offscreen, or on an X server of the program's own where real modal boxes and the tray are tested.
class ShellEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // Scanner sources from the chosen SANE configuration only, never the machine's own backends.
    qputenv("SANE_CONFIG_DIR", QUORVIN_SANE_CONFIG_DIR);
    if (kOnXvfb) {
      xvfb_ = std::make_unique<XvfbServer>();
      ASSERT_FALSE(xvfb_->Display().isEmpty()) << "Xvfb did not start";
      qputenv("DISPLAY", xvfb_->Display().toUtf8());
      qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
      qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    folders_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", folders_->filePath(QStringLiteral("config")).toUtf8());
    QDir().mkpath(folders_->filePath(QStringLiteral("runtime")));
    QFile::setPermissions(folders_->filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", folders_->filePath(QStringLiteral("runtime")).toUtf8());
    static int argc = 1;
    static char name[] = "test_shell";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
  }
  void TearDown() override {
    app_.reset();
    folders_.reset();
    xvfb_.reset();
  }

 private:
#ifdef QUORVIN_SHELL_ON_XVFB
  static constexpr bool kOnXvfb = true;
#else
  static constexpr bool kOnXvfb = false;
#endif
  std::unique_ptr<XvfbServer> xvfb_;
  std::unique_ptr<QTemporaryDir> folders_;
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

class ListedDevices final : public korvex::DeviceSource {
 public:
  explicit ListedDevices(int n) : n_(n) {}
  std::vector<std::shared_ptr<korvex::CaptureDevice>> Enumerate() override {
    std::vector<std::shared_ptr<korvex::CaptureDevice>> devices;
    for (int i = 0; i < n_; ++i) devices.push_back(std::make_shared<korvex::TestPatternDevice>());
    return devices;
  }

 private:
  int n_;
};

}  // namespace

int RecordingEngine::Count(bool live) const {
  int n = 0;
  for (const Save& s : saves) n += s.live == live;
  return n;
}

void RecordingEngine::Record(bool live) {
  Save s{live, clock_.Now(), false, TrayIcon::Picture::Main};
  if (form) {
    s.trayPresent = form->tray().Present();
    s.tray = form->tray().Shown();
  }
  saves.push_back(s);
}

std::shared_ptr<korvex::DeviceSource> TestDevices(int n) {
  return std::make_shared<ListedDevices>(n);
}

Shell::Shell(bool recordingEngine, int devices) : deviceCount(devices), recording(recordingEngine) {}

Shell::~Shell() {
  form_.reset();
}

Form1Options Shell::Options() {
  Form1Options o;
  o.clock = &clock;
  if (!realBoxes) o.boxes = &boxes;
  o.dialogs = &dialogs;
  o.suffix = suffix;
  o.programFolder = work.Path();
  o.instanceLockFolder = work.File(QStringLiteral("instances"));
  o.devices = devices ? devices : TestDevices(deviceCount);
  o.endProcess = [this](int status) { ended.push_back(status); };
  o.runTimer = runTimer;
  if (recording)
    o.makeEngine = [this](Settings&, NamingState&, ImagingControls&, CaptureHost&, const Clock& c) {
      auto e = std::make_unique<RecordingEngine>(c);
      engine = e.get();
      return e;
    };
  return o;
}

Form1& Shell::form() {
  if (!form_) {
    form_ = std::make_unique<Form1>(Options());
    if (engine) engine->form = form_.get();
  }
  return *form_;
}

void Shell::LoadDefaults() {
  LoadOptions load;
  load.refresh = [this](Settings&) { form().RefreshWindowFromSettings(); };
  LoadSettings(form().settings(), work.File(QStringLiteral("none.ini")), load);
}

void Shell::Run(qint64 seconds, qint64 stepMs) {
  for (qint64 t = 0; t < seconds * 1000; t += stepMs) {
    clock.Set(clock.Now().addMSecs(stepMs));
    Tick();
  }
}

}  // namespace quorvin::test
