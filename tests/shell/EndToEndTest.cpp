// The built program, headless, on the built-in test device with the shipped example settings: it must
// write live and history images within seconds, also across a daylight-saving end, end on SIGTERM with
// status 0 and save its settings.
#include "RecorderRun.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

// The built program, in a folder of its own (which becomes the program folder) with the shipped example
// settings, headless: no display at all, so it must choose the offscreen platform by itself.
class Recorder {
 public:
  explicit Recorder(const QProcessEnvironment& extra = {}) {
    EXPECT_TRUE(QFile::copy(QUORVIN_EXAMPLE_SETTINGS, run.SettingsFile()));
    QFile::setPermissions(run.SettingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QProcessEnvironment env = run.Environment();
    env.insert(extra);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    run.Start(process, {}, env, run.File("."));
    EXPECT_TRUE(process.waitForStarted(10000));
  }
  ~Recorder() {
    if (process.state() == QProcess::NotRunning) return;
    process.kill();
    process.waitForFinished(10000);
  }
  // Ends it as the system would and expects a clean end.
  void Terminate() {
    process.terminate();  // SIGTERM
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
  }
  QStringList History() const { return FilesBelow(run.File("history")); }

  RecorderRun run;
  QProcess process;
};

TEST(EndToEnd, HeadlessRecorderCapturesFromTheTestDeviceAndSavesOnSigterm) {
  Recorder recorder;
  const RecorderRun& run = recorder.run;
  // Live images every 2 s, history every 5 s: the first of each within 10 s, and more keep coming.
  EXPECT_TRUE(QTest::qWaitFor([&] { return recorder.History().size() >= 4; }, 20000))
      << recorder.History().size();
  recorder.Terminate();

  for (const char* name : {"live/tovra.jpg", "live/tovra_.jpg", "live/tovra_50.jpg"})
    EXPECT_TRUE(IsJpeg(run.File(name))) << name;
  // history/<yymmdd>/cam<hhnnss>.jpg and its thumbnail cam<hhnnss>_.jpg
  const QStringList history = recorder.History();
  ASSERT_GE(history.size(), 4);
  for (const QString& file : history) {
    EXPECT_TRUE(IsJpeg(file)) << file.toStdString();
    EXPECT_TRUE(QRegularExpression("/history/\\d{6}/cam\\d{6}_?\\.jpg$").match(file).hasMatch())
        << file.toStdString();
  }
  EXPECT_FALSE(QFile::exists(run.File("Qv_error.log"))) << ReadAll(run.File("Qv_error.log")).constData();

  // Saved on the way out: the example's values, with a fresh header.
  const QByteArray saved = ReadAll(run.File("bin/quorvin18.ini"));
  EXPECT_TRUE(saved.contains("inter(0) = 2 ")) << saved.left(200).constData();
  EXPECT_TRUE(saved.contains("NetworkPath = live/"));
  EXPECT_NE(saved, ReadAll(QUORVIN_EXAMPLE_SETTINGS));
}

TEST(EndToEnd, ImagesKeepComingWhenDaylightSavingTimeEnds) {
  // Central European time, the wall clock stepped by libfaketime so that the recorder starts a few
  // seconds before 03:00 summer time becomes 02:00 winter time.
  const qint64 step = QDateTime(QDate(2024, 10, 27), QTime(1, 0), Qt::UTC).toSecsSinceEpoch();
  QProcessEnvironment clock;
  clock.insert("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");  // a rule of its own: no time-zone database needed
  clock.insert("LD_PRELOAD", QUORVIN_FAKETIME_LIBRARY);
  clock.insert("FAKETIME", QString::asprintf("%+lld", step - 10 - QDateTime::currentSecsSinceEpoch()));
  clock.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");  // Qt's timers keep real time
  Recorder recorder(clock);
  // History files are named by local time: after the step the names start again from 02:00.
  auto named = [&](const char* time) {
    return recorder.History()
        .filter(QRegularExpression(QStringLiteral("/cam%1\\d\\d\\.jpg$").arg(time)))
        .size();
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return named("0200") >= 2; }, 40000))
      << recorder.History().join(' ').toStdString();
  EXPECT_GE(named("0259"), 1);  // it did run before the step
  recorder.Terminate();
  EXPECT_TRUE(IsJpeg(recorder.run.File("live/tovra.jpg")));
  EXPECT_FALSE(QFile::exists(recorder.run.File("Qv_error.log")));
}

}  // namespace
}  // namespace quorvin::test
