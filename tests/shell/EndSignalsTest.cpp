// The built program ended by signals as a machine meets them: at random moments of start-up and of a
// capture, after a scanner backend took over SIGTERM, and while a start-up box waits on a display.
#include "RecorderRun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <list>
#include <random>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

constexpr int kEndWithinMs = 5000;

// The shipped example without its header line, so a saved file tells itself apart by its fresh header,
// with live and history captures every second and the median filter on.
QByteArray EverySecondSettings() {
  QByteArray text = ReadAll(QStringLiteral(QUORVIN_EXAMPLE_SETTINGS));
  text = text.mid(text.indexOf('\n') + 1);
  for (const auto& [from, to] : {std::pair{"inter(0) = 2 ", "inter(0) = 1 "},
                                 {"inter(1) = 5 ", "inter(1) = 1 "},
                                 {"IntervalHistBuf = 5 ", "IntervalHistBuf = 1 "},
                                 {"ch1(22) = 0", "ch1(22) = 1"}}) {
    EXPECT_TRUE(text.contains(from)) << from;
    text.replace(from, to);
  }
  return text;
}

// Whether the process has blocked SIGTERM, SIGINT and SIGHUP: the first thing its main does. A signal
// before that takes its default action, as for any program that has not started yet.
bool EndSignalsBlocked(qint64 pid) {
  const QByteArray status = ReadAll(QStringLiteral("/proc/%1/status").arg(pid));
  const qsizetype at = status.indexOf("\nSigBlk:");
  if (at < 0) return false;
  const qulonglong mask =
      status.mid(at + 9, status.indexOf('\n', at + 1) - at - 9).trimmed().toULongLong(nullptr, 16);
  const qulonglong wanted = (1ULL << (SIGTERM - 1)) | (1ULL << (SIGINT - 1)) | (1ULL << (SIGHUP - 1));
  return (mask & wanted) == wanted;
}

// Waits until the process has written `text` on standard error; all it wrote so far is kept in `written`.
bool WaitForStderr(QProcess& process, const QByteArray& text, QByteArray& written) {
  return QTest::qWaitFor(
             [&] {
               written += process.readAllStandardError();
               return written.contains(text) || process.state() == QProcess::NotRunning;
             },
             20000) &&
         written.contains(text);
}

// One attempt of the random test: the program, the moment its signal is due, and what it left.
struct Attempt {
  QString suffix;
  QString what;
  bool inCapture = false;
  int delayMs = 0;
  QProcess process;
  QElapsedTimer launched;
  QElapsedTimer since;  // since main began or the live folder appeared, then since the signal
  bool signalled = false;
};

// After the signal: ended within 5 s with status 0, the settings saved, no error line, whole pictures only.
void ExpectCleanEnd(Attempt& a, const RecorderRun& run) {
  const std::string what = a.what.toStdString();
  EXPECT_EQ(a.process.state(), QProcess::NotRunning) << what << ": still running 5 s after the signal";
  a.process.kill();
  a.process.waitForFinished();
  EXPECT_EQ(a.process.exitStatus(), QProcess::NormalExit) << what;
  EXPECT_EQ(a.process.exitCode(), 0) << what;
  const QByteArray saved = ReadAll(run.SettingsFile(a.suffix));
  EXPECT_TRUE(saved.startsWith("v1.8.5.990629 ") && saved.contains("inter(0) = 1 ")) << what;
  for (const QString& file : FilesBelow(run.File(a.suffix)))
    EXPECT_TRUE(IsJpeg(file) && !QFileInfo(file).fileName().startsWith('.'))
        << what << ": " << file.toStdString() << " " << ReadAll(file).left(200).constData();
}

// Fifty runs, three at a time, on the desktop or in the tray: SIGTERM at a random moment of start-up (from
// the moment main runs) or of the first capture (from the moment its live folder appears).
TEST(EndSignals, AtRandomMomentsOfStartUpAndCaptureEachEndsCleanlyWithinFiveSeconds) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  RecorderRun run;
  const QByteArray desktop = EverySecondSettings();
  QByteArray tray = desktop;
  tray.replace("ch1(29) = 0", "ch1(29) = 1");
  ASSERT_NE(tray, desktop);

  std::list<Attempt> running;
  for (int started = 0; started < 50 || !running.empty();) {
    if (started < 50 && running.size() < 3) {
      Attempt& a = running.emplace_back();
      const int i = started++;
      a.inCapture = i % 2 == 1;
      a.delayMs = std::uniform_int_distribution<int>(0, a.inCapture ? 150 : 500)(random);
      a.suffix = QStringLiteral("r%1").arg(i);
      a.what = QStringLiteral("run %1: %2 ms into %3%4")
                   .arg(i)
                   .arg(a.delayMs)
                   .arg(a.inCapture ? "a capture" : "start-up", i % 4 >= 2 ? " in the tray" : "");
      WriteAll(run.SettingsFile(a.suffix), i % 4 >= 2 ? tray : desktop);
      run.Start(a.process, {a.suffix}, run.Environment(), run.File(a.suffix));
      a.launched.start();
      continue;
    }
    QTest::qWait(2);
    for (auto it = running.begin(); it != running.end();) {
      Attempt& a = *it;
      if (!a.signalled && !a.since.isValid() &&
          (a.inCapture ? QFileInfo::exists(run.File(a.suffix + "/live"))
                       : EndSignalsBlocked(a.process.processId())))
        a.since.start();
      if (!a.signalled && a.since.isValid() && a.since.elapsed() >= a.delayMs) {
        ::kill(static_cast<pid_t>(a.process.processId()), SIGTERM);
        a.signalled = true;
        a.since.start();
      }
      if (!a.signalled && a.launched.elapsed() > 20000) {
        ADD_FAILURE() << a.what.toStdString() << ": never reached its moment";
        a.process.kill();
        a.process.waitForFinished();
      } else if (!a.signalled ||
                 (a.process.state() != QProcess::NotRunning && a.since.elapsed() <= kEndWithinMs)) {
        ++it;
        continue;
      } else {
        ExpectCleanEnd(a, run);
      }
      it = running.erase(it);
    }
  }
  // No temporary settings file was left behind either.
  for (const QString& file : FilesBelow(run.File(QStringLiteral("bin"))))
    EXPECT_FALSE(QFileInfo(file).fileName().startsWith('.')) << file.toStdString();
}

// The SANE test backend sets SIGTERM's disposition while it scans; the end signals must still end the
// program the ordinary way after scanner captures.
TEST(EndSignals, StillEndTheProgramAfterAScannerBackendTookOverSigterm) {
  RecorderRun run;
  WriteAll(run.SettingsFile(), QStringLiteral("NetworkPath = %1/\r\ninter(0) = 1\r\nop3(1) = 0\r\n"
                                              "ch1(9) = 0\r\nch1(10) = 0\r\n")
                                   .arg(run.File("live"))
                                   .toUtf8());
  QProcess recorder;
  run.Start(recorder, {}, run.Environment({}, QStringLiteral(QUORVIN_SANE_CONFIG_DIR)), run.File("work"));
  // Two scanner captures: the second overwrites the first.
  ASSERT_TRUE(QTest::qWaitFor([&] { return IsJpeg(run.File("live/tovra.jpg")); }, 20000));
  const QByteArray first = ReadAll(run.File("live/tovra.jpg"));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return IsJpeg(run.File("live/tovra.jpg")) && ReadAll(run.File("live/tovra.jpg")) != first; },
      20000));
  recorder.terminate();
  ASSERT_TRUE(recorder.waitForFinished(kEndWithinMs));
  EXPECT_EQ(recorder.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(recorder.exitCode(), 0);
  EXPECT_TRUE(ReadAll(run.SettingsFile()).startsWith("v1.8.5.990629 "));
}

// On a display the boxes wait for the operator. A signal meanwhile ends the program with status 1, and
// nothing is written: not the half-read settings, not a folder, not a log line, and by a refused second
// instance nothing at all. And a tray start on this display, which has no tray.
TEST(EndSignals, OnADisplayWhileAStartUpBoxWaitsEndWithStatusOneAndWriteNothing) {
  XvfbServer x;
  ASSERT_FALSE(x.Display().isEmpty()) << "Xvfb did not start";
  RecorderRun run;
  const auto endWhileTheBoxWaits = [&](QProcess& program, const QByteArray& title) {
    QByteArray written;
    ASSERT_TRUE(WaitForStderr(program, title, written)) << written.constData();
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(kEndWithinMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1);
  };

  const QByteArray bad = "NetworkPath = " + run.File("x").toUtf8() + "/\r\ninter(0) = 1\r\nDevIndex = 1x\r\n";
  WriteAll(run.SettingsFile(), bad);
  QProcess fatal;
  run.Start(fatal, {}, run.Environment(x.Display()), run.File("fatal"));
  endWhileTheBoxWaits(fatal, QByteArray("Settings file load error"));
  EXPECT_EQ(ReadAll(run.SettingsFile()), bad);
  EXPECT_EQ(FilesBelow(run.File("fatal")), QStringList());
  EXPECT_FALSE(QFile::exists(run.File("x")));

  // A first instance, headless, with a suffix of its own; then one without a suffix on the display.
  WriteAll(run.SettingsFile("A"), "ch1(28) = 0\r\n");
  QProcess first;
  run.Start(first, {QStringLiteral("A")}, run.Environment(), run.File("first"));
  // Its health file is written when its start-up is done.
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(run.File("bin/quorvin18A.health.json")); }, 20000));
  ASSERT_EQ(FilesBelow(run.File("runtime")).filter(QStringLiteral(".lock")).size(), 1);
  WriteAll(run.SettingsFile(), "inter(0) = 1\r\n");
  const auto everythingButTheFirst = [&] {
    QStringList files = FilesBelow(run.File("."));
    files.removeIf([&](const QString& f) { return f.contains(QStringLiteral("/first/")); });
    return files;
  };
  const QStringList before = everythingButTheFirst();
  QProcess second;
  run.Start(second, {}, run.Environment(x.Display()), run.File("second"));
  endWhileTheBoxWaits(second, QByteArray("Load error: This application is already running."));
  EXPECT_EQ(everythingButTheFirst(), before);
  EXPECT_EQ(ReadAll(run.SettingsFile()), "inter(0) = 1\r\n");
  first.terminate();
  EXPECT_TRUE(first.waitForFinished(kEndWithinMs));

  // This display has no tray: a tray start says why the window stays minimised, then ends as usual.
  WriteAll(run.SettingsFile(), "ch1(29) = 1\r\n");
  QProcess tray;
  run.Start(tray, {}, run.Environment(x.Display()), run.File("tray"));
  QByteArray written;
  EXPECT_TRUE(WaitForStderr(tray, "no system tray", written)) << written.constData();
  tray.terminate();
  ASSERT_TRUE(tray.waitForFinished(kEndWithinMs));
  EXPECT_EQ(tray.exitCode(), 0);
  EXPECT_TRUE(ReadAll(run.SettingsFile()).startsWith("v1.8.5.990629 "));
}

}  // namespace
}  // namespace quorvin::test
