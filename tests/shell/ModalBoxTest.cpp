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

#include <unistd.h>
#include <csignal>
#include <cstdio>
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

// The files below `folder`, but for the instance locks.
QStringList FilesBesideLocks(const QString& folder) {
  QStringList files = FilesBelow(folder);
  files.removeIf([](const QString& f) { return f.contains(QStringLiteral("/instances/")); });
  return files;
}

class ModalBoxes : public ::testing::Test {
 protected:
  ModalBoxes() {
    shell.realBoxes = true;
    shell.runTimer = true;
  }
  void Connect() { QObject::connect(&signals_, &EndSignals::Ended, &shell.form(), &Form1::EndOnSignal); }
  QByteArray BadFile() const {
    return "NetworkPath = " + shell.work.File("x").toUtf8() + "/\r\ninter(0) = 1\r\nDevIndex = 1x\r\n";
  }

  Shell shell;
  EndSignals signals_;
};

TEST_F(ModalBoxes, FatalLoadErrorIsAnExclamationBoxAndNoTickRunsWhileItIsOpen) {
  WriteAll(shell.SettingsFile(), BadFile());
  bool opened = false;
  const auto watch = WhenABoxOpens([&](QMessageBox& box) {
    opened = true;
    EXPECT_EQ(box.icon(), QMessageBox::Warning);
    EXPECT_EQ(box.windowTitle(), QString::fromUtf8(kLoadErrorTitle));
    EXPECT_EQ(box.text(), LoadErrorText(QStringLiteral("1x")));
    EXPECT_FALSE(shell.form().Timer1()->isActive());
    box.button(QMessageBox::Ok)->click();
  });
  EXPECT_FALSE(shell.form().Form_Load());
  EXPECT_TRUE(opened);
  EXPECT_EQ(shell.ended, std::vector<int>{1});
  EXPECT_EQ(ReadAll(shell.SettingsFile()), BadFile());
  EXPECT_TRUE(shell.engine->saves.empty());
}

TEST_F(ModalBoxes, SignalWhileTheFatalLoadBoxIsOpenEndsWithStatusOneAndSavesNothing) {
  for (const bool atStartUp : {true, false}) {
    Shell one;
    one.realBoxes = one.runTimer = true;
    WriteAll(one.SettingsFile(), atStartUp ? BadFile() : QByteArray("inter(0) = 7\r\n"));
    QObject::connect(&signals_, &EndSignals::Ended, &one.form(), &Form1::EndOnSignal);
    bool opened = false;
    const auto watch = WhenABoxOpens([&](QMessageBox& box) {
      opened = true;
      EXPECT_FALSE(one.form().Timer1()->isActive()) << atStartUp;
      SignalWhileOpen(box);
    });
    if (atStartUp) {
      EXPECT_FALSE(one.form().Form_Load());
    } else {
      ASSERT_TRUE(one.form().Form_Load());
      ASSERT_TRUE(one.form().Timer1()->isActive());
      WriteAll(one.SettingsFile(), BadFile());
      one.Find<QPushButton>("Command1_4")->click();  // "Load Ini Data"
    }
    EXPECT_TRUE(opened) << atStartUp;
    EXPECT_EQ(one.ended, std::vector<int>{1}) << atStartUp;
    EXPECT_EQ(ReadAll(one.SettingsFile()), BadFile()) << atStartUp;
    EXPECT_FALSE(QFile::exists(one.work.File("x"))) << atStartUp;
    EXPECT_TRUE(one.engine->saves.empty()) << atStartUp;
  }
}

TEST_F(ModalBoxes, RefusedSecondInstanceRunsNothingWritesNothingAndEndsOnASignal) {
  QDir().mkpath(shell.work.File("instances"));
  QLockFile other(shell.work.File("instances/other.lock"));
  ASSERT_TRUE(other.tryLock(0));
  WriteAll(shell.SettingsFile(), "inter(0) = 1\r\n");
  const QStringList before = FilesBesideLocks(shell.work.Path());
  Connect();
  bool opened = false;
  const auto watch = WhenABoxOpens([&](QMessageBox& box) {
    opened = true;
    EXPECT_EQ(box.windowTitle(), QString::fromUtf8("ロードエラー"));
    EXPECT_EQ(box.icon(), QMessageBox::Warning);
    EXPECT_FALSE(shell.form().Timer1()->isActive());
    SignalWhileOpen(box);
  });
  EXPECT_FALSE(shell.form().Form_Load());
  EXPECT_TRUE(opened);
  EXPECT_EQ(shell.ended, std::vector<int>{1});
  EXPECT_EQ(FilesBesideLocks(shell.work.Path()), before);
  EXPECT_EQ(ReadAll(shell.SettingsFile()), "inter(0) = 1\r\n");
  EXPECT_TRUE(shell.engine->saves.empty());
}

// What the program writes on standard error while the object lives.
class StderrCapture {
 public:
  StderrCapture() : file_(std::tmpfile()), saved_(::dup(2)) {
    std::fflush(stderr);
    ::dup2(::fileno(file_), 2);
  }
  ~StderrCapture() {
    Restore();
    std::fclose(file_);
  }
  QByteArray Text() {
    Restore();
    std::rewind(file_);
    QByteArray text;
    char buffer[512];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, file_))
      text.append(buffer, static_cast<qsizetype>(n));
    return text;
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    ::dup2(saved_, 2);
    ::close(saved_);
    saved_ = -1;
  }
  std::FILE* file_;
  int saved_;
};

// This X server has no tray: "tray" start and "Set Task Tray" leave the main window minimised, not hidden
// for good, and say why.
TEST(NoTray, TrayStartAndSetTaskTrayKeepTheMainWindowReachable) {
  for (const bool atStartUp : {true, false}) {
    Shell shell;
    WriteAll(shell.SettingsFile(), atStartUp ? "ch1(29) = 1\r\n" : "");
    StderrCapture stderrText;
    ASSERT_TRUE(shell.form().Form_Load());
    if (!atStartUp) shell.Find<QPushButton>("Command1_2")->click();
    EXPECT_TRUE(shell.form().isVisible()) << atStartUp;
    EXPECT_TRUE(shell.form().isMinimized()) << atStartUp;
    EXPECT_FALSE(shell.form().form2()->isVisible()) << atStartUp;
    EXPECT_TRUE(stderrText.Text().contains("no system tray")) << atStartUp;
  }
}

}  // namespace
}  // namespace quorvin::test
