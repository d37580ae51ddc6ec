// The tray icon around captures, the tray menu, the preview window's close, and every way out of the
// program saving the settings.
#include "Form2.h"
#include "Process.h"
#include "ShellTestSupport.h"

#include <korvex/KorvexCtrl.h>

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>

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

// Every way out removes the icon, writes the settings as they are now and ends with status 0.
TEST(Shutdown, EveryWayOutSavesTheSettings) {
  const std::vector<std::pair<const char*, std::function<void(Shell&)>>> ways = {
      {"close box", [](Shell& s) { s.form().close(); }},
      {"Quit button", [](Shell& s) { s.Find<QPushButton>("Command1_1")->click(); }},
      {"tray menu", [](Shell& s) { s.form().tray().ssFIN()->trigger(); }},
      {"SIGTERM",
       [](Shell& s) {
         EndSignals endSignals;
         QObject::connect(&endSignals, &EndSignals::Ended, &s.form(), &Form1::EndProgram);
         std::raise(SIGTERM);
         EXPECT_TRUE(QTest::qWaitFor([&] { return !s.ended.empty(); }, 5000));
       }},
      {"SIGHUP",
       [](Shell& s) {
         EndSignals endSignals;
         QObject::connect(&endSignals, &EndSignals::Ended, &s.form(), &Form1::EndProgram);
         std::raise(SIGHUP);
         EXPECT_TRUE(QTest::qWaitFor([&] { return !s.ended.empty(); }, 5000));
       }},
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
    EXPECT_FALSE(shell.form().HasForm2()) << name;
    // Ending twice (a signal during the close) saves once and ends once.
    shell.form().EndProgram();
    EXPECT_EQ(shell.ended.size(), 1u) << name;
  }
}

}  // namespace
}  // namespace quorvin::test
