// The built program with a network camera declared in korvex's devices.ini, served by an RTSP server of
// the test's on 127.0.0.1: the device list, live and history images from it, a server restart survived,
// and its password nowhere in what the program writes.
#include "NetCameraServers.h"
#include "RecorderRun.h"

#include <QImage>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

class NetworkCameraRun : public ::testing::Test {
 protected:
  NetworkCameraRun() {
    QDir().mkpath(run.File("config/korvex"));
    WriteAll(run.File("config/korvex/devices.ini"),
             "[network 1]\nname=Gate\nurl=" + server.Url("/jpeg", "admin:s3cret").toUtf8() + "\ntimeout=2\n");
    env = run.Environment();
    env.insert("KORVEX_V4L2_NODES", "/nonexistent");  // no camera of the machine's in the list
  }

  QImage Live() const { return QImage(run.File("work/live/tovra.jpg")); }
  QString ErrorLog() const { return QString::fromUtf8(ReadAll(run.File("work/Qv_error.log"))); }

  RtspCameraServer server{0, QStringLiteral("admin"), QStringLiteral("s3cret")};
  RecorderRun run;
  QProcessEnvironment env;
};

TEST_F(NetworkCameraRun, ListedWithoutItsPasswordThenRecordedAcrossARestartOfTheServer) {
  QProcess list;
  run.Start(list, {"--list-devices"}, env, run.File("work"));
  ASSERT_TRUE(list.waitForFinished(30000));
  const QString listed = QString::fromUtf8(list.readAllStandardOutput() + list.readAllStandardError());
  EXPECT_TRUE(listed.contains(
      QStringLiteral("  0  Gate\n     driver   rtsp\n     network  rtsp://***@127.0.0.1:%1/jpeg "
                     "over TCP, timeout 2 s, [network 1]\n")
          .arg(server.Port())))
      << listed.toStdString();
  EXPECT_TRUE(listed.contains(QStringLiteral("  1  Test Pattern\n")));
  EXPECT_FALSE(listed.contains("s3cret"));

  // The example settings grab from DevIndex 0, live every 2 s and history every 5 s.
  WriteAll(run.SettingsFile(), ReadAll(QUORVIN_EXAMPLE_SETTINGS));
  QProcess recorder;
  run.Start(recorder, {}, env, run.File("work"));
  const auto liveShowsTheCamera = [&] { return Live().size() == QSize(320, 240) && ShowsNetBars(Live()); };
  EXPECT_TRUE(QTest::qWaitFor(liveShowsTheCamera, 10000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !FilesBelow(run.File("work/history")).isEmpty(); }, 10000));

  // Gone: cycles go on with a blank at the camera's size and the grab's log line; back: pictures again.
  EXPECT_FALSE(ErrorLog().contains(" saveing 3")) << ErrorLog().toStdString();
  server.Stop();
  EXPECT_TRUE(QTest::qWaitFor([&] { return ErrorLog().contains(" saveing 3"); }, 15000))
      << ErrorLog().toStdString();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !ShowsNetBars(Live()); }, 10000));
  server.Start();
  EXPECT_TRUE(QTest::qWaitFor(liveShowsTheCamera, 30000));
  EXPECT_EQ(recorder.state(), QProcess::Running);

  recorder.terminate();
  ASSERT_TRUE(recorder.waitForFinished(15000));
  EXPECT_EQ(recorder.exitCode(), 0);
  const QString said = QString::fromUtf8(recorder.readAllStandardError() + recorder.readAllStandardOutput());
  // The journal's copy of the log line names the camera.
  EXPECT_TRUE(said.contains(QRegularExpression("saveing3? 3[12]: video grab from Gate \\[rtsp\\]: ")))
      << said.toStdString();
  for (const QString& text : {said, ErrorLog()}) EXPECT_FALSE(text.contains("s3cret")) << text.toStdString();
}

}  // namespace
}  // namespace quorvin::test
