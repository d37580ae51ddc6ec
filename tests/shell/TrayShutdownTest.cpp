// The tray icon around captures, the tray menu, the preview window's close, and every way out of the
// program: saving the settings, and stopping a capture or start-up that the end interrupts.
#include "Form2.h"
#include "Process.h"
#include "ShellTestSupport.h"

#include <korvex/KorvexCtrl.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

TEST(Tray, StartInTrayThenSetupBringsOnlyTheMainWindowBack) {
  Shell shell;
  WriteAll(shell.SettingsFile(), "ch1(29) = 1\r\n");
  ASSERT_TRUE(shell.form().Form_Load());
  ASSERT_TRUE(shell.form().tray().Present());
  shell.form().tray().ssVER()->trigger();
  EXPECT_TRUE(shell.form().isVisible());
  EXPECT_FALSE(shell.form().tray().Present());
  EXPECT_FALSE(shell.form().form2()->isVisible());
  EXPECT_FALSE(shell.form().form2()->Korvex1()->GetPreview());
}

TEST(Tray, CaptureInTheTrayShowsTheBusyIconThenTheIdleOne) {
  Shell shell;
  WriteAll(shell.SettingsFile(), "ch1(29) = 1\r\ninter(0) = 10\r\n");
  ASSERT_TRUE(shell.form().Form_Load());
  shell.Run(10);
  ASSERT_EQ(shell.engine->Count(true), 1);
  EXPECT_TRUE(shell.engine->saves[0].trayPresent);
  EXPECT_EQ(shell.engine->saves[0].tray, TrayIcon::Picture::Busy);
  EXPECT_EQ(shell.form().tray().Shown(), TrayIcon::Picture::Idle);
  shell.Run(5);  // ticks without a capture leave it so
  EXPECT_EQ(shell.form().tray().Shown(), TrayIcon::Picture::Idle);
}

TEST(Tray, CaptureOnTheDesktopChangesNoIcon) {
  Shell shell;
  WriteAll(shell.SettingsFile(), "inter(0) = 10\r\n");
  ASSERT_TRUE(shell.form().Form_Load());
  shell.Run(10);
  ASSERT_EQ(shell.engine->Count(true), 1);
  EXPECT_FALSE(shell.engine->saves[0].trayPresent);
  EXPECT_FALSE(shell.form().tray().Present());
}

TEST(Tray, SetTaskTrayHidesBothWindowsAndTheTipNamesTheDevice) {
  Shell shell;
  WriteAll(shell.SettingsFile(), "DevIndex = 2\r\n");
  shell.deviceCount = 3;
  ASSERT_TRUE(shell.form().Form_Load());
  shell.form().form2()->show();
  shell.Find<QPushButton>("Command1_2")->click();
  EXPECT_FALSE(shell.form().isVisible());
  EXPECT_FALSE(shell.form().form2()->isVisible());
  EXPECT_TRUE(shell.form().tray().Present());
  EXPECT_EQ(shell.form().tray().Tip(), "Quorvin2");
}

TEST(Tray, OnlyButtonReleasesOpenTheMenu) {
  Shell shell;
  TrayIcon& tray = shell.form().tray();
  const QStringList items = [&] {
    QStringList texts;
    for (QAction* a : tray.mnuPopup()->actions()) texts << (a->isSeparator() ? "-" : a->text());
    return texts;
  }();
  EXPECT_EQ(items, (QStringList{"Setup", "-", "Quit(&X)"}));
  for (int event : {512, 513, 515, 516, 518}) {
    tray.Callback(event);
    EXPECT_FALSE(tray.mnuPopup()->isVisible()) << event;
  }
  for (int event : {TrayIcon::kLeftButtonUp, TrayIcon::kRightButtonUp}) {
    tray.Callback(event);
    EXPECT_TRUE(tray.mnuPopup()->isVisible()) << event;
    tray.mnuPopup()->hide();
  }
}

TEST(PreviewWindow, CloseBoxOnlyHidesIt) {
  Shell shell;
  ASSERT_TRUE(shell.form().Form_Load());
  Form2* preview = shell.form().form2();
  preview->show();
  EXPECT_FALSE(preview->close());
  EXPECT_FALSE(preview->isVisible());
  EXPECT_EQ(shell.form().form2(), preview);
  preview->show();
  EXPECT_TRUE(preview->isVisible());
  EXPECT_TRUE(shell.ended.empty());
}

// The end signals read as main reads them, into this window.
class SignalRoute {
 public:
  explicit SignalRoute(Form1& form) {
    QObject::connect(&signals_, &EndSignals::Ended, &form, &Form1::EndOnSignal);
  }

 private:
  EndSignals signals_;
};

void EndBySignal(Shell& s, int number) {
  SignalRoute route(s.form());
  std::raise(number);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !s.ended.empty(); }, 5000));
}

// Every way out removes the icon, writes the settings as they are now and ends with status 0.
TEST(Shutdown, EveryWayOutSavesTheSettings) {
  const std::vector<std::pair<const char*, std::function<void(Shell&)>>> ways = {
      {"close box", [](Shell& s) { s.form().close(); }},
      {"Quit button", [](Shell& s) { s.Find<QPushButton>("Command1_1")->click(); }},
      {"tray menu", [](Shell& s) { s.form().tray().ssFIN()->trigger(); }},
      {"SIGTERM", [](Shell& s) { EndBySignal(s, SIGTERM); }},
      {"SIGHUP", [](Shell& s) { EndBySignal(s, SIGHUP); }},
  };
  for (const auto& [name, way] : ways) {
    Shell shell;
    WriteAll(shell.SettingsFile(), "ch1(29) = 1\r\n");
    ASSERT_TRUE(shell.form().Form_Load());
    shell.Box("interval_0")->setText("42");
    way(shell);
    EXPECT_EQ(shell.ended, std::vector<int>{0}) << name;
    EXPECT_FALSE(shell.form().tray().Present()) << name;
    EXPECT_TRUE(ReadAll(shell.SettingsFile()).contains("inter(0) = 42")) << name;
    EXPECT_FALSE(shell.form().isVisible()) << name;
    EXPECT_FALSE(shell.form().form2()->isVisible()) << name;
    // Ending twice (a signal during the close) saves once and ends once.
    shell.form().EndProgram();
    EXPECT_EQ(shell.ended.size(), 1u) << name;
  }
}

// An end that comes inside a capture's message-pump pass, by "Quit" or by a signal: the capture stops
// where it is, the rest of the tick starts nothing, and nothing but the settings file is written.
TEST(Shutdown, EndInsideACaptureWritesNothingMoreThanTheSettings) {
  struct Case {
    const char* name;
    bool afterLive;  // the end comes once the live images are written, before the history capture
    bool bySignal;
  };
  for (const Case& c :
       {Case{"Quit at the first pass", false, false}, Case{"signal at the first pass", false, true},
        Case{"Quit after the live images", true, false}, Case{"signal after the live images", true, true}}) {
    Shell shell(/*recordingEngine=*/false, 1);
    // Live and history both every ten minutes: both are due in the tick at 12:10:00.
    WriteAll(shell.SettingsFile(), QStringLiteral("NetworkPath = %1/\r\nhistPath = %2/\r\ninter(0) = 600\r\n")
                                       .arg(shell.work.File("live"), shell.work.File("hist"))
                                       .toUtf8());
    ASSERT_TRUE(shell.form().Form_Load());
    SignalRoute route(shell.form());
    const auto quit = [&] {
      if (c.bySignal)
        std::raise(SIGTERM);
      else
        shell.Find<QPushButton>("Command1_1")->click();
    };
    // Runs in every message-pump pass of the tick until its moment has come.
    QTimer trigger;
    bool fired = false;
    QObject::connect(&trigger, &QTimer::timeout, [&] {
      if (fired || (c.afterLive && FilesBelow(shell.work.File("live")).size() < 3)) return;
      fired = true;
      quit();
    });
    // A signal that arrived before the tick is read in its first pass.
    if (c.bySignal && !c.afterLive) {
      fired = true;
      quit();
    } else {
      trigger.start(0);
    }
    shell.clock.Set(QDateTime(QDate(1999, 6, 29), QTime(12, 10, 0)));
    shell.Tick();
    EXPECT_TRUE(fired) << c.name;
    EXPECT_EQ(shell.ended, std::vector<int>{0}) << c.name;
    EXPECT_EQ(FilesBelow(shell.work.File("live")).size(), c.afterLive ? 3 : 0) << c.name;
    EXPECT_EQ(FilesBelow(shell.work.File("hist")), QStringList()) << c.name;
    EXPECT_FALSE(QFile::exists(shell.work.File("Qv_error.log")))
        << c.name << ReadAll(shell.work.File("Qv_error.log")).constData();
    EXPECT_TRUE(ReadAll(shell.SettingsFile()).contains("inter(0) = 600")) << c.name;
  }
}

// A signal that came during start-up is read in the message-pump pass before the tray icon is added:
// start-up stops there, the settings (read whole) are saved, and the loop is not entered.
TEST(Shutdown, SignalReadInTheStartUpPassEndsStartUpThere) {
  Shell shell;
  WriteAll(shell.SettingsFile(), "ch1(29) = 1\r\ninter(0) = 42\r\n");
  SignalRoute route(shell.form());
  std::raise(SIGTERM);
  EXPECT_FALSE(shell.form().Form_Load());
  EXPECT_TRUE(shell.form().Ending());
  EXPECT_EQ(shell.ended, std::vector<int>{0});
  EXPECT_FALSE(shell.form().tray().Present());
  EXPECT_TRUE(ReadAll(shell.SettingsFile()).contains("inter(0) = 42"));
}

}  // namespace
}  // namespace quorvin::test
