// Start-up (Form_Load) of the real main window with the real capture engine, two test-pattern devices
// and SANE's test backend (two scanner sources).
#include "Form2.h"
#include "SettingsFile.h"
#include "ShellTestSupport.h"

#include <korvex/KorvexCtrl.h>
#include <korvex/TestPatternDevice.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QLockFile>
#include <QPushButton>
#include <QSysInfo>

#include <QTabWidget>
#include <cerrno>
#include <csignal>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

// Cameras plugged in while the recorder runs: listed before the Test Pattern (when there is one), each at a
// size of its own so that a live image tells which device it came from, and reported as the monitor does.
class PluggedLater final : public korvex::DeviceSource {
 public:
  class Camera final : public korvex::TestPatternDevice {
   public:
    Camera(int n, int width, int height) : n_(n), format_{width, height, 30, 1, QStringLiteral("BGRx")} {}
    QString Name() const override { return QStringLiteral("Camera %1").arg(n_); }
    QString SettingsKey() const override { return Name(); }
    korvex::VideoFormat DefaultFormat() const override { return format_; }

   private:
    int n_;
    korvex::VideoFormat format_;
  };
  // A source that does not watch (a fixed node list, no udev) never reports.
  PluggedLater(bool testPattern, bool watches) : watches_(watches) {
    if (testPattern) pattern_ = std::make_shared<korvex::TestPatternDevice>();
  }
  std::vector<std::shared_ptr<korvex::CaptureDevice>> Enumerate() override {
    auto devices = cameras_;
    if (pattern_) devices.push_back(pattern_);
    return devices;
  }
  void Watch(std::function<void()> changed) override {
    if (watches_) changed_ = std::move(changed);
  }
  void Plug(int width, int height) {
    cameras_.push_back(std::make_shared<Camera>(static_cast<int>(cameras_.size()), width, height));
    if (changed_) changed_();
  }

 private:
  std::vector<std::shared_ptr<korvex::CaptureDevice>> cameras_;
  std::shared_ptr<korvex::CaptureDevice> pattern_;
  bool watches_;
  std::function<void()> changed_;
};

class Startup : public ::testing::Test {
 protected:
  Startup() : shell(/*recordingEngine=*/false) {}
  void WriteSettings(const QByteArray& lines, const QString& suffix = {}) {
    WriteAll(shell.SettingsFile(suffix), lines);
  }
  QComboBox* Combo3(int i) { return shell.Find<QComboBox>(QStringLiteral("Combo3_%1").arg(i)); }
  Shell shell;
};

TEST_F(Startup, DefaultStartSavesTheDefaultFileExceptWhatStartUpChanges) {
  ASSERT_TRUE(shell.form().Form_Load());
  Form1& form = shell.form();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.windowTitle(), " Quorvin");
  EXPECT_EQ(form.SSTab1()->currentIndex(), 0);
  EXPECT_EQ(shell.Find<QLabel>("Label5_4")->text(), "Real time");
  EXPECT_EQ(shell.Find<QLabel>("Label10")->text(), "STANDBY");
  EXPECT_TRUE(shell.boxes.boxes.empty());
  // The first next times count from start-up.
  EXPECT_EQ(form.scheduler().State().NextLiveText, "120500");
  EXPECT_EQ(form.scheduler().State().NextHistoryText, "121000");

  form.EndProgram();
  ASSERT_EQ(shell.ended, std::vector<int>{0});

  Settings expected;
  LoadSettings(expected, shell.work.File("none.ini"));
  expected.inter[1] = 600;    // the "10min" preset selected by the settings display
  expected.EfctAWidth = 640;  // the effect area defaults to the whole test-pattern frame
  expected.EfctAHeight = 480;
  EXPECT_EQ(ReadAll(shell.SettingsFile()), SettingsFileBytes(expected, shell.clock.Now()));
}

TEST_F(Startup, SecondInstanceWithoutSuffixOnlyShowsTheMessage) {
  QDir().mkpath(shell.work.File("instances"));
  QLockFile other(shell.work.File("instances/other.lock"));
  ASSERT_TRUE(other.tryLock(0));
  WriteSettings("inter(0) = 77\r\n");

  EXPECT_FALSE(shell.form().Form_Load());
  ASSERT_EQ(shell.boxes.boxes.size(), 1u);
  EXPECT_EQ(shell.boxes.boxes[0].title, "Load error");
  EXPECT_EQ(shell.boxes.boxes[0].text, "This application is already running.");
  EXPECT_FALSE(shell.boxes.boxes[0].fatal);
  EXPECT_FALSE(shell.form().isVisible());
  EXPECT_FALSE(shell.form().HasForm2());
  // Nothing was loaded, and ending now writes nothing.
  EXPECT_EQ(shell.form().settings().inter[0], Settings{}.inter[0]);
  shell.form().EndProgram();
  EXPECT_EQ(ReadAll(shell.SettingsFile()), "inter(0) = 77\r\n");
}

TEST_F(Startup, LocksOfEndedInstancesDoNotCount) {
  // A lock left by a process that no longer runs, on this machine.
  int gone = 4000000;
  while (::kill(gone, 0) == 0 || errno != ESRCH) --gone;
  QDir().mkpath(shell.work.File("instances"));
  WriteAll(shell.work.File("instances/crashed.lock"),
           QByteArray::number(gone) + "\nquorvin18\n" + QSysInfo::machineHostName().toUtf8() + "\n");
  ASSERT_TRUE(shell.form().Form_Load());
  EXPECT_TRUE(shell.boxes.boxes.empty());
  EXPECT_FALSE(QFile::exists(shell.work.File("instances/crashed.lock")));
}

TEST_F(Startup, SuffixSkipsTheInstanceTestAndNamesTheSettingsFile) {
  QDir().mkpath(shell.work.File("instances"));
  QLockFile other(shell.work.File("instances/other.lock"));
  ASSERT_TRUE(other.tryLock(0));
  shell.suffix = "2";
  WriteSettings("inter(0) = 77\r\n", "2");
  ASSERT_TRUE(shell.form().Form_Load());
  EXPECT_TRUE(shell.boxes.boxes.empty());
  EXPECT_EQ(shell.form().SettingsSuffix(), "2");
  EXPECT_EQ(shell.form().SettingsPath(), shell.SettingsFile("2"));
  EXPECT_EQ(shell.form().settings().inter[0], 77);
  shell.form().close();
  EXPECT_FALSE(QFile::exists(shell.SettingsFile()));
  EXPECT_TRUE(ReadAll(shell.SettingsFile("2")).contains("inter(0) = 77"));
}

TEST_F(Startup, StoredDevicesMissingAtStartAreStoodInForThisRunAndStayStored) {
  // Two video devices and two scanner sources: DevIndex 3 and DevIndexTwain 2 are both past the end.
  const QString live = shell.work.File("live");
  WriteSettings("DevIndex = 3\r\nDevIndexTwain = 2\r\nop3(1) = 0\r\nNetworkPath = " + live.toUtf8() +
                "/\r\n");
  ASSERT_TRUE(shell.form().Form_Load());
  EXPECT_EQ(Combo3(1)->count(), 2);
  EXPECT_TRUE(Combo3(1)->itemText(0).startsWith("Test Pattern"));
  EXPECT_EQ(Combo3(1)->currentIndex(), 0);
  ASSERT_EQ(Combo3(0)->count(), 2);
  EXPECT_EQ(Combo3(0)->currentIndex(), 0);
  // The video choice ran last and is the source shown.
  EXPECT_EQ(shell.Find<QLabel>("Label6_12")->text(), "(V0)");
  EXPECT_TRUE(shell.form().form2()->Korvex1()->GetPreview());
  EXPECT_FALSE(shell.form().form2()->isVisible());

  // This run grabs from the first scanner source, without a failed source lookup.
  shell.Find<QPushButton>("Command1_0")->click();
  EXPECT_TRUE(QFile::exists(live + "/tovra.jpg"));
  EXPECT_FALSE(QFile::exists(shell.work.File("Qv_error.log")))
      << ReadAll(shell.work.File("Qv_error.log")).constData();

  // The stored choices reach the file unchanged; the operator's own choice replaces them.
  auto saved = [&] {
    Settings file;
    LoadSettings(file, shell.SettingsFile());
    return std::pair{file.DevIndex, file.DevIndexTwain};
  };
  shell.Find<QPushButton>("Command1_6")->click();
  EXPECT_EQ(saved(), std::pair(3, 2));
  Combo3(1)->setCurrentIndex(1);
  emit Combo3(1)->activated(1);
  EXPECT_EQ(shell.Find<QLabel>("Label6_12")->text(), "(V1)");
  shell.form().EndProgram();
  EXPECT_EQ(saved(), std::pair(1, 2));
}

TEST_F(Startup, CamerasPluggedInLaterAreListedAndTheStoredEntryIsUsedUntilTheOperatorChooses) {
  const QString live = shell.work.File("live");
  auto start = [&](Shell& s, bool testPattern, bool watches = true) {
    auto devices = std::make_shared<PluggedLater>(testPattern, watches);
    s.devices = devices;
    WriteAll(s.SettingsFile(), "DevIndex = 1\r\nNetworkPath = " + live.toUtf8() + "/\r\n");
    EXPECT_TRUE(s.form().Form_Load());
    return devices;
  };
  // Each plug-in is read at the next tick, as the capture control reports it.
  auto plug = [](Shell& s, PluggedLater& devices, int width, int height) {
    devices.Plug(width, height);
    QCoreApplication::processEvents();
    s.Tick();
  };
  auto captured = [&](Shell& s) {
    s.Find<QPushButton>("Command1_0")->click();
    return QImage(live + "/tovra.jpg").width();
  };
  const auto devices = start(shell, true);
  EXPECT_EQ(Combo3(1)->count(), 1);  // the Test Pattern stands in for entry 1
  EXPECT_EQ(captured(shell), 640);
  // A camera at entry 0: entry 1 is the Test Pattern, in use already and shown at its new place.
  plug(shell, *devices, 320, 240);
  ASSERT_EQ(Combo3(1)->count(), 2);
  EXPECT_TRUE(Combo3(1)->itemText(0).startsWith("Camera 0 ["));
  EXPECT_EQ(Combo3(1)->currentIndex(), 1);
  EXPECT_EQ(shell.Find<QLabel>("Label6_12")->text(), "(V1)");
  EXPECT_EQ(captured(shell), 640);
  // Another camera takes entry 1, the stored one: it is used from this tick on.
  plug(shell, *devices, 800, 600);
  EXPECT_TRUE(Combo3(1)->itemText(1).startsWith("Camera 1 ["));
  EXPECT_EQ(Combo3(1)->currentIndex(), 1);
  EXPECT_EQ(captured(shell), 800);
  // The operator's choice holds: a camera plugged in later changes the list shown, not the device used.
  Combo3(1)->setCurrentIndex(0);
  emit Combo3(1)->activated(0);
  plug(shell, *devices, 1280, 720);
  EXPECT_EQ(Combo3(1)->count(), 4);
  EXPECT_EQ(Combo3(1)->currentIndex(), 0);
  EXPECT_EQ(captured(shell), 320);
  shell.form().EndProgram();
  Settings saved;
  LoadSettings(saved, shell.SettingsFile());
  EXPECT_EQ(saved.DevIndex, 0);

  // No device at all at start: the first one plugged in stands in for entry 1, with its preview.
  Shell bare(false);
  const auto none = start(bare, false);
  EXPECT_EQ(bare.Find<QComboBox>("Combo3_1")->itemText(0), "No Devices");
  plug(bare, *none, 320, 240);
  EXPECT_EQ(bare.Find<QComboBox>("Combo3_1")->currentIndex(), 0);
  EXPECT_TRUE(bare.form().form2()->Korvex1()->GetPreview());
  EXPECT_EQ(captured(bare), 320);
  bare.form().EndProgram();
  LoadSettings(saved, bare.SettingsFile());
  EXPECT_EQ(saved.DevIndex, 1);

  // A source that never reports: while the stored entry is not a camera in use, the list is read again
  // every 20 ticks (10 s), and the camera now at entry 1 is taken then.
  Shell quiet(false);
  const auto silent = start(quiet, true, false);
  silent->Plug(320, 240);
  silent->Plug(800, 600);
  for (int i = 0; i < 19; ++i) quiet.Tick();
  EXPECT_EQ(quiet.Find<QComboBox>("Combo3_1")->count(), 1);
  EXPECT_EQ(captured(quiet), 640);
  quiet.Tick();
  EXPECT_EQ(quiet.Find<QComboBox>("Combo3_1")->count(), 3);
  EXPECT_EQ(captured(quiet), 800);
  quiet.form().EndProgram();
  LoadSettings(saved, quiet.SettingsFile());
  EXPECT_EQ(saved.DevIndex, 1);
}

TEST_F(Startup, StoredDevicesInsideTheListsAreSelected) {
  WriteSettings("DevIndex = 1\r\nDevIndexTwain = 1\r\n");
  ASSERT_TRUE(shell.form().Form_Load());
  EXPECT_EQ(Combo3(1)->currentIndex(), 1);
  EXPECT_EQ(Combo3(0)->currentIndex(), 1);
  EXPECT_EQ(shell.form().settings().DevIndex, 1);
  EXPECT_EQ(shell.form().settings().DevIndexTwain, 1);
}

TEST_F(Startup, NoVideoDeviceListsNoDevicesAndLeavesThePreviewOff) {
  shell.deviceCount = 0;
  ASSERT_TRUE(shell.form().Form_Load());
  ASSERT_EQ(Combo3(1)->count(), 1);
  EXPECT_EQ(Combo3(1)->itemText(0), "No Devices");
  EXPECT_EQ(Combo3(1)->currentIndex(), -1);
  EXPECT_FALSE(shell.form().form2()->Korvex1()->GetPreview());
  // Without a frame size the effect area stays unset rather than becoming a 0 x 0 area with an offset.
  EXPECT_EQ(shell.form().settings().EfctAWidth, 0);
}

TEST_F(Startup, TrayStartNeverShowsTheWindowAndStopsThePreview) {
  WriteSettings("ch1(29) = 1\r\nDevIndex = 1\r\n");
  ASSERT_TRUE(shell.form().Form_Load());
  EXPECT_FALSE(shell.form().isVisible());
  EXPECT_TRUE(shell.form().tray().Present());
  EXPECT_EQ(shell.form().tray().Shown(), TrayIcon::Picture::Main);
  EXPECT_EQ(shell.form().tray().Tip(), "Quorvin1");
  EXPECT_FALSE(shell.form().form2()->isVisible());
  EXPECT_FALSE(shell.form().form2()->Korvex1()->GetPreview());
}

TEST_F(Startup, EffectAreaDefault) {
  struct Case {
    QByteArray file;
    int left, top, width, height;
  };
  const Case cases[] = {
      // One size 0: all four are replaced by the whole frame.
      {"EfctALeft = 5\r\nEfctATop = 7\r\nEfctAWidth = 0\r\nEfctAHeight = 240\r\n", 0, 0, 640, 480},
      {"EfctALeft = 5\r\nEfctATop = 7\r\nEfctAWidth = 100\r\nEfctAHeight = 0\r\n", 0, 0, 640, 480},
      // Both sizes set: kept as they are.
      {"EfctALeft = 5\r\nEfctATop = 7\r\nEfctAWidth = 100\r\nEfctAHeight = 90\r\n", 5, 7, 100, 90},
  };
  for (const Case& c : cases) {
    Shell one(false);
    WriteAll(one.SettingsFile(), c.file);
    ASSERT_TRUE(one.form().Form_Load());
    const Settings& s = one.form().settings();
    EXPECT_EQ(s.EfctALeft, c.left) << c.file.constData();
    EXPECT_EQ(s.EfctATop, c.top);
    EXPECT_EQ(s.EfctAWidth, c.width);
    EXPECT_EQ(s.EfctAHeight, c.height);
  }
}

TEST_F(Startup, FitVideoWindowSizesThePreviewAndTheDisplay) {
  ASSERT_TRUE(shell.form().Form_Load());
  // 640 x 480: 640 x 15 + 100 and 480 x 15 + 400 twips for Form2, 640 x 15 and 480 x 15 for LEAD1(0).
  EXPECT_EQ(shell.form().form2()->size(), QSize(647, 507));
  EXPECT_EQ(shell.form().imaging().LEAD1[0].Width(), 9600.0f);
  EXPECT_EQ(shell.form().imaging().LEAD1[0].Height(), 7200.0f);
}

}  // namespace
}  // namespace quorvin::test
