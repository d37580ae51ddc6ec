// The command line of the built program, run as a process: each option, each refused argument and its exit
// status, what a one-shot run writes, the single-instance rule per settings file, and the device list.
#include "RecorderRun.h"

#include <QImageReader>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

struct Outcome {
  int status = -1;  // -1: crashed or did not end
  QString out, err;
};

Outcome Invoke(const RecorderRun& run, const QStringList& arguments, QProcessEnvironment env = {}) {
  QProcess process;
  run.Start(process, arguments, env.isEmpty() ? run.Environment() : env, run.File("work"));
  Outcome o;
  if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
    o.status = process.exitCode();
  o.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  o.err = QString::fromLocal8Bit(process.readAllStandardError());
  return o;
}

// The example settings with the live folder replaced: ASCII bytes, the same in code page 932.
void WriteExample(const QString& path, const QByteArray& liveFolder = "live") {
  QDir().mkpath(QFileInfo(path).path());
  QByteArray bytes = ReadAll(QUORVIN_EXAMPLE_SETTINGS);
  bytes.replace("NetworkPath = live", "NetworkPath = " + liveFolder);
  WriteAll(path, bytes);
}

// No settings file, no instance lock, no error log: only the program and the build tree's mark.
void ExpectNothingCreated(const RecorderRun& run) {
  EXPECT_EQ(FilesBelow(QDir::cleanPath(run.File("."))),
            QStringList({run.File("bin/quorvin-build-tree"), run.File("bin/quorvin18")}));
}

TEST(CommandLine, HelpAndVersionAnswerAndCreateNothing) {
  RecorderRun run;
  for (const QStringList& args :
       {QStringList{"--help"}, QStringList{"-h"}, QStringList{"cam2", "--once", "-h"}}) {
    const Outcome o = Invoke(run, args);
    EXPECT_EQ(o.status, 0) << args.join(' ').toStdString();
    EXPECT_TRUE(o.out.startsWith("Usage: quorvin18 [OPTION]... [SUFFIX]\n"));
    for (const char* text :
         {"--config FILE", "--list-devices", "--once", "$XDG_CONFIG_HOME/quorvin/quorvin18SUFFIX.ini",
          "quorvin-build-tree", "Exit status: 0"})
      EXPECT_TRUE(o.out.contains(text)) << text;
    // Where the places lead from here: the copy in bin/ carries the build tree's mark.
    EXPECT_TRUE(o.out.contains("Here the settings file is " + run.SettingsFile() + "."))
        << o.out.toStdString();
    EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
  }
  const QRegularExpression versions(
      "^quorvin18 v1\\.8\\.5\\.990629\nQt 6\\.\\d+\\.\\d+\nGStreamer 1\\.\\d+\\.\\d+\nOpenCV "
      "4\\.\\d+\\.\\d+\n"
      "libjpeg-turbo 2\\.\\d+\\.\\d+\nSANE \\d+\\.\\d+\\.\\d+\n$");
  for (const char* option : {"--version", "-v"}) {
    const Outcome o = Invoke(run, {option});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(versions.match(o.out).hasMatch()) << o.out.toStdString();
  }
  ExpectNothingCreated(run);
}

TEST(CommandLine, BadArgumentsExitWith2AndTheUsageOnStandardError) {
  RecorderRun run;
  const struct {
    QStringList args;
    const char* error;
  } cases[] = {
      {{"--bogus"}, "Unknown option 'bogus'."},
      {{"-x", "cam2"}, "Unknown option 'x'."},
      {{"-platform", "offscreen"}, "Unknown option 'platform'."},
      {{"-c"}, "Missing value after '-c'."},
      {{"--config="}, "--config needs a file name"},
      {{"-c", "a.ini", "--config", "b.ini"}, "--config given more than once"},
      {{"-c", "a.ini", "cam2"}, "a suffix and --config both name the settings file"},
      {{"cam/2"}, "a suffix may not hold \"/\""},
      {{"cam 2"}, "a suffix may not hold a blank"},
      {{"--", "-cam"}, "a suffix may not begin with \"-\""},
      {{"cam1", "cam2"}, "one suffix at most, not 2"},
      {{"--http", "0.0.0.0:8080"},
       "--http 0.0.0.0:8080 can be reached from other machines: give --http-passwords FILE too"},
      {{"--http", "99999"}, "--http: \"99999\" is not a port (0 to 65535)"},
      {{"--http", "camera:80"}, "--http: \"camera\" is not an IP address"},
      {{"--http-passwords", "p"}, "--http-passwords needs --http"},
  };
  for (const auto& c : cases) {
    const Outcome o = Invoke(run, c.args);
    SCOPED_TRACE(c.args.join(' ').toStdString());
    EXPECT_EQ(o.status, 2);
    EXPECT_TRUE(o.err.startsWith(QStringLiteral("quorvin18: %1").arg(c.error))) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains("\nUsage: quorvin18 [OPTION]... [SUFFIX]\n"));
    EXPECT_TRUE(o.out.isEmpty());
  }
  ExpectNothingCreated(run);
}

TEST(CommandLine, OnceWritesEachEnabledOutputSavesNothingAndReportsAFailureWith2) {
  RecorderRun run;
  WriteExample(run.SettingsFile());
  const QByteArray settings = ReadAll(run.SettingsFile());
  const Outcome o = Invoke(run, {"--once"});
  EXPECT_EQ(o.status, 0) << o.err.toStdString();
  EXPECT_TRUE(o.err.contains("quorvin18: settings file " + run.SettingsFile() + "\n")) << o.err.toStdString();
  for (const char* name : {"work/live/tovra.jpg", "work/live/tovra_.jpg", "work/live/tovra_50.jpg"})
    EXPECT_TRUE(IsJpeg(run.File(name))) << name;
  // One history capture: the image and its thumbnail.
  const QStringList history = FilesBelow(run.File("work/history"));
  ASSERT_EQ(history.size(), 2) << history.join(' ').toStdString();
  for (const QString& file : history) EXPECT_TRUE(IsJpeg(file)) << file.toStdString();
  EXPECT_EQ(ReadAll(run.SettingsFile()), settings);
  EXPECT_FALSE(QFile::exists(run.File("work/Qv_error.log")));

  // A settings file anywhere whose live folder cannot be made (tests run as root: below a regular file).
  WriteAll(run.File("work/plain"), "not a folder");
  const QString elsewhere = run.File("etc/cam.ini");
  WriteExample(elsewhere, "plain/live");
  const QByteArray elsewhereBefore = ReadAll(elsewhere);
  const Outcome failed = Invoke(run, {"--once", "--config", elsewhere});
  EXPECT_EQ(failed.status, 2) << failed.err.toStdString();
  EXPECT_TRUE(failed.err.contains("quorvin18: settings file " + elsewhere + "\n"));
  // The live outputs failed, the history outputs were written.
  const QString log = QString::fromUtf8(ReadAll(run.File("work/Qv_error.log")));
  EXPECT_TRUE(log.contains(QRegularExpression("saveing \\d+ "))) << log.toStdString();
  EXPECT_FALSE(log.contains("saveing3"));
  EXPECT_EQ(ReadAll(elsewhere), elsewhereBefore);
  EXPECT_EQ(ReadAll(run.SettingsFile()), settings);
}

TEST(CommandLine, OneRecorderPerConfigFile) {
  RecorderRun run;
  const QString a = run.File("etc/a.ini"), b = run.File("etc/b.ini");
  WriteExample(a);
  WriteExample(b);
  QProcess first;
  first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  run.Start(first, {"-c", a}, run.Environment(), run.File("work"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(run.File("work/live/tovra.jpg")); }, 20000));

  // The same file, however it is spelled, is refused; another file, the usual one and a suffix run.
  const Outcome same = Invoke(run, {"--once", "-c", run.File("etc/../etc/a.ini")});
  EXPECT_EQ(same.status, 1);
  EXPECT_TRUE(same.err.contains("Load error: This application is already running."))
      << same.err.toStdString();
  EXPECT_FALSE(same.err.contains("settings file"));  // refused before it looks at its settings
  for (const QStringList& args :
       {QStringList{"--once", "-c", b}, QStringList{"--once"}, QStringList{"--once", "cam2"}})
    EXPECT_EQ(Invoke(run, args).status, 0) << args.join(' ').toStdString();

  first.terminate();
  ASSERT_TRUE(first.waitForFinished(10000));
  EXPECT_EQ(first.exitCode(), 0);
}

TEST(CommandLine, ListDevicesShowsFormatsAndTheSectionThatOpensOne) {
  RecorderRun run;
  WriteAll(run.File("camera.txt"),
           "camera /dev/video0\n"
           "  card \"Desk Camera\"\n"
           "  driver uvcvideo 6.1.0\n"
           "  format YUYV 640x480 320x240 @30 @15\n"
           "  format MJPG 1280x720 @30\n");
  QProcessEnvironment env = run.Environment({}, QUORVIN_SANE_CONFIG_DIR);
  env.insert("LD_PRELOAD", QUORVIN_FAKEV4L2_LIBRARY);
  env.insert("FAKE_V4L2_SCRIPT", run.File("camera.txt"));
  env.insert("KORVEX_V4L2_NODES", "/dev/video0");
  const Outcome list = Invoke(run, {"--list-devices"}, env);
  EXPECT_EQ(list.status, 0) << list.err.toStdString();
  const QString devicesIni = run.File("config/korvex/devices.ini");
  for (const QString& text :
       {QStringLiteral("  0  Desk Camera\n"
                       "     driver   uvcvideo 6.1.0\n"
                       "     formats  YUY2  640x480, 320x240 at 30, 15 fps\n"
                       "              MJPG  1280x720 at 30 fps\n"
                       "     to open it at 1280x720 MJPG 30 fps, put this section into ") +
            devicesIni + ":\n",
        QStringLiteral("  1  Test Pattern\n"),
        QStringLiteral("  0  test:0\n     device   Noname frontend-tester (virtual device)\n"
                       "     driver   test\n     modes    Gray, Color\n"),
        QStringLiteral("  1  test:1\n")})
    EXPECT_TRUE(list.out.contains(text)) << list.out.toStdString();
  EXPECT_FALSE(QFile::exists(run.File("config")));

  // The camera's section, put into korvex's file as shown, opens it at 1280x720 instead of its 640x480.
  QStringList section;
  const QStringList lines = list.out.split('\n');
  for (qsizetype i = lines.indexOf(QRegularExpression(".*to open it at 1280x720.*")) + 1;
       i > 0 && i < lines.size() && lines[i].startsWith("       "); ++i)
    section << lines[i].mid(7);
  ASSERT_GE(section.size(), 6) << list.out.toStdString();
  QDir().mkpath(run.File("config/korvex"));
  WriteAll(devicesIni, section.join('\n').toUtf8() + "\n");
  WriteExample(run.SettingsFile());
  const Outcome once = Invoke(run, {"--once"}, env);
  EXPECT_EQ(once.status, 0) << once.err.toStdString();
  EXPECT_EQ(QImageReader(run.File("work/live/tovra.jpg")).size(), QSize(1280, 720));
}

}  // namespace
}  // namespace quorvin::test
