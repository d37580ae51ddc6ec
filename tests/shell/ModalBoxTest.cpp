// Real message boxes on an X server of the test program's own: while a start-up or load box is open
// nothing runs, and an end signal then ends the program with status 1 without writing anything. And a
// desktop without a tray, where the window must stay reachable.
#include "Form2.h"
#include "Process.h"
#include "SettingsFile.h"
#include "ShellTestSupport.h"

#include <QApplication>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

// Runs `inside` from the box's own event loop once a message box is open; watches while the result lives.
std::unique_ptr<QTimer> WhenABoxOpens(std::function<void(QMessageBox&)> inside) {
  auto poll = std::make_unique<QTimer>();
  QObject::connect(poll.get(), &QTimer::timeout, [timer = poll.get(), inside = std::move(inside)] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    timer->stop();
    inside(*box);
  });
  poll->start(20);
  return poll;
}

// SIGTERM while the box is open: the program must close the box itself. One it leaves open is reported
// and closed here, so the test goes on.
void SignalWhileOpen(QMessageBox& box) {
  std::raise(SIGTERM);
  if (QTest::qWaitFor([&] { return !box.isVisible(); }, 5000)) return;
  ADD_FAILURE() << "the box stayed open after the signal";
  box.reject();
}

// The boxes that end the program: the fatal load error at start-up (closed, or a signal while it is open)
// and after "Load Ini Data", and the refused second instance's box. While one is open no tick runs; the
// end has status 1 and writes nothing.
TEST(ModalBoxes, NothingRunsWhileAnEndingBoxIsOpenAndTheEndWritesNothing) {
  enum Way { kStartUpClosed, kStartUpSignal, kLoadSignal, kSecondInstanceSignal };
  for (const Way way : {kStartUpClosed, kStartUpSignal, kLoadSignal, kSecondInstanceSignal}) {
    Shell shell;
    shell.realBoxes = shell.runTimer = true;
    const QByteArray file = way == kSecondInstanceSignal ? QByteArray("inter(0) = 1\r\n")
                                                         : "NetworkPath = " + shell.work.File("x").toUtf8() +
                                                               "/\r\ninter(0) = 1\r\nDevIndex = 1x\r\n";
    QDir().mkpath(shell.work.File("instances"));
    QLockFile other(shell.work.File("instances/other.lock"));
    if (way == kSecondInstanceSignal) {
      ASSERT_TRUE(other.tryLock(0));
    }
    EndSignals endSignals;
    QObject::connect(&endSignals, &EndSignals::Ended, &shell.form(), &Form1::EndOnSignal);
    bool opened = false;
    const auto watch = WhenABoxOpens([&](QMessageBox& box) {
      opened = true;
      EXPECT_EQ(box.icon(), QMessageBox::Warning) << way;
      EXPECT_EQ(box.windowTitle(),
                way == kSecondInstanceSignal ? QStringLiteral("Load error") : LoadErrorTitle());
      EXPECT_FALSE(shell.form().Timer1()->isActive()) << way;
      if (way == kStartUpClosed)
        box.button(QMessageBox::Ok)->click();
      else
        SignalWhileOpen(box);
    });
    if (way == kLoadSignal) {
      WriteAll(shell.SettingsFile(), "inter(0) = 7\r\n");
      ASSERT_TRUE(shell.form().Form_Load());
      ASSERT_TRUE(shell.form().Timer1()->isActive());
      WriteAll(shell.SettingsFile(), file);
      shell.Find<QPushButton>("Command1_4")->click();  // "Load Ini Data"
    } else {
      WriteAll(shell.SettingsFile(), file);
      EXPECT_FALSE(shell.form().Form_Load()) << way;
    }
    EXPECT_TRUE(opened) << way;
    EXPECT_EQ(shell.ended, std::vector<int>{1}) << way;
    EXPECT_EQ(ReadAll(shell.SettingsFile()), file) << way;
    EXPECT_FALSE(QFile::exists(shell.work.File("x"))) << way;
    EXPECT_TRUE(shell.engine->saves.empty()) << way;
  }
}

// This X server has no tray: tray start and "Set Task Tray" leave the main window minimised, not hidden
// for good.
TEST(NoTray, TrayStartAndSetTaskTrayKeepTheMainWindowReachable) {
  for (const bool atStartUp : {true, false}) {
    Shell shell;
    WriteAll(shell.SettingsFile(), atStartUp ? "ch1(29) = 1\r\n" : "");
    ASSERT_TRUE(shell.form().Form_Load());
    if (!atStartUp) shell.Find<QPushButton>("Command1_2")->click();
    EXPECT_TRUE(shell.form().isVisible()) << atStartUp;
    EXPECT_TRUE(shell.form().isMinimized()) << atStartUp;
    EXPECT_FALSE(shell.form().form2()->isVisible()) << atStartUp;
  }
}

}  // namespace
}  // namespace quorvin::test
