// The built program, headless, on the built-in test device with the shipped example settings: it must
// write live and history images within seconds, end on SIGTERM with status 0 and save its settings.
#include "TestSupport.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

bool IsJpeg(const QString& path) {
  const QByteArray bytes = ReadAll(path);
  return bytes.size() > 1000 && bytes.startsWith("\xFF\xD8\xFF") && bytes.endsWith("\xFF\xD9");
}

QStringList FilesBelow(const QString& folder) {
  QStringList files;
  QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next();
  files.sort();
  return files;
}

TEST(EndToEnd, HeadlessRecorderCapturesFromTheTestDeviceAndSavesOnSigterm) {
  WorkingFolder run;
  // A copy of the program in a folder of its own: that folder becomes the program folder.
  QDir().mkpath(run.File("bin"));
  const QString program = run.File("bin/quorvin18");
  ASSERT_TRUE(QFile::copy(QUORVIN18_PROGRAM, program));
  ASSERT_TRUE(QFile::copy(QUORVIN_EXAMPLE_SETTINGS, run.File("bin/quorvin18.ini")));
  QFile::setPermissions(run.File("bin/quorvin18.ini"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

  QProcess recorder;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  // No display at all: the program must choose the offscreen platform by itself.
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(QLatin1String(name));
  env.insert("XDG_CONFIG_HOME", run.File("config"));
  env.insert("XDG_RUNTIME_DIR", run.File("runtime"));
  QDir().mkpath(run.File("runtime"));
  QFile::setPermissions(run.File("runtime"),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  recorder.setProcessEnvironment(env);
  recorder.setWorkingDirectory(run.Path());
  recorder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  recorder.start(program, {});
  ASSERT_TRUE(recorder.waitForStarted(10000));

  // Live images every 2 s, history every 5 s: the first of each within 10 s, and more keep coming.
  const auto historyCount = [&] { return FilesBelow(run.File("history")).size(); };
  EXPECT_TRUE(QTest::qWaitFor([&] { return historyCount() >= 4; }, 20000)) << historyCount();
  recorder.terminate();  // SIGTERM
  ASSERT_TRUE(recorder.waitForFinished(10000));
  EXPECT_EQ(recorder.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(recorder.exitCode(), 0);

  for (const char* name : {"live/tovra.jpg", "live/tovra_.jpg", "live/tovra_50.jpg"})
    EXPECT_TRUE(IsJpeg(run.File(name))) << name;
  // history/<yymmdd>/cam<hhnnss>.jpg and its thumbnail cam<hhnnss>_.jpg
  const QStringList history = FilesBelow(run.File("history"));
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

}  // namespace
}  // namespace quorvin::test
