// The built program against the odd files an operator's machine holds: a read-only, a linked UTF-8 or a
// dangling settings file, temporary files of a killed save, a logo whose header claims a huge picture.
#include "RecorderRun.h"
#include "TextCodec.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <functional>

namespace quorvin::test {
namespace {

// One headless run on the example settings (plus `extra` lines: the last occurrence of a key wins).
struct Faulty {
  explicit Faulty(const QByteArray& extra = {}) {
    WriteAll(run.SettingsFile(), ReadAll(QUORVIN_EXAMPLE_SETTINGS) + extra);
  }
  void Start() {
    QProcessEnvironment env = run.Environment();
    env.remove(QStringLiteral("QT_LOGGING_RULES"));
    run.Start(process, {}, env, run.File("."));
    ASSERT_TRUE(process.waitForStarted(10000));
  }
  // The exit status once it ended by itself or, after `done` held (at most 20 s), by SIGTERM; -1 when not.
  int Status(const std::function<bool()>& done = {}) {
    if (done) {
      EXPECT_TRUE(QTest::qWaitFor(done, 20000));
      process.terminate();
    }
    if (!process.waitForFinished(15000)) return -1;
    said = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
  bool LiveImage() const { return QFile::exists(run.File("live/tovra.jpg")); }

  RecorderRun run;
  QProcess process;
  QString said;  // standard error
};

TEST(RecorderFaults, ReadOnlyLinkedUtf8AndDanglingSettingsFilesAndTemporariesOfKilledSaves) {
  {
    // Left as it is, the operator told. Stale temporaries go; the one another instance holds stays.
    Faulty r;
    const QByteArray before = ReadAll(r.run.SettingsFile());
    ASSERT_EQ(::chmod(r.run.SettingsFile().toLocal8Bit(), 0444), 0);
    QDir().mkpath(r.run.File("live"));
    const QString stale = r.run.File("bin/.quorvin18.ini.quorvin-Ab12Cd"),
                  held = r.run.File("live/.tovra_.jpg.quorvin-Ij56Kl");
    for (const QString& name : {stale, held}) WriteAll(name, "part");
    const int lock = ::open(held.toLocal8Bit(), O_RDONLY);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    r.Start();
    EXPECT_EQ(r.Status([&] { return r.LiveImage(); }), 0);
    ::close(lock);
    EXPECT_EQ(ReadAll(r.run.SettingsFile()), before);
    EXPECT_TRUE(r.said.contains("Settings file save error: ")) << r.said.toStdString();
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(held));
    // Debug lines (SANE's list of sources) only when asked for.
    EXPECT_FALSE(r.said.contains(QStringLiteral("local sources")));
  }
  {
    // A link to a file a Linux editor wrote (UTF-8, no mark): read as UTF-8, saved through the link with it.
    Faulty r;
    const QString text = DecodeSettingsText(ReadAll(r.run.SettingsFile())) + "stampHead = \"玄関カメラ\"\n";
    WriteAll(r.run.File("cam.ini"), text.toUtf8().replace("\r\n", "\n"));
    QFile::remove(r.run.SettingsFile());
    ASSERT_EQ(::symlink("../cam.ini", r.run.SettingsFile().toLocal8Bit()), 0);
    r.Start();
    EXPECT_EQ(r.Status([&] { return r.LiveImage(); }), 0);
    EXPECT_EQ(QFileInfo(r.run.SettingsFile()).symLinkTarget(), r.run.File("cam.ini"));
    const QByteArray saved = ReadAll(r.run.File("cam.ini"));
    EXPECT_TRUE(saved.startsWith(kUtf8Bom));
    EXPECT_TRUE(saved.contains("\r\nstampHead = \"玄関カメラ\" ")) << saved.left(400).constData();
  }
  {
    // A dangling link (an unmounted share) stops the recorder before anything is written.
    Faulty r;
    QFile::remove(r.run.SettingsFile());
    ASSERT_EQ(::symlink("/nonexistent/quorvin18.ini", r.run.SettingsFile().toLocal8Bit()), 0);
    r.Start();
    EXPECT_EQ(r.Status(), 1);
    EXPECT_TRUE(r.said.contains("Cannot read the settings file ")) << r.said.toStdString();
    EXPECT_TRUE(QFileInfo(r.run.SettingsFile()).isSymLink());
    EXPECT_FALSE(QFile::exists(r.run.File("live")));
  }
}

TEST(RecorderFaults, AFileSizeLimitFailsWritesLikeAFullDiskAndCapturesGoOnOnceItIsLifted) {
  // From a camera on the fake V4L2 layer, as korvex finds a real one.
  Faulty r;
  WriteAll(r.run.File("camera"), "camera /dev/video57\n  format YUYV 320x240 @5\n");
  QProcessEnvironment env = r.run.Environment();
  env.insert("LD_PRELOAD", QUORVIN_FAKEV4L2_LIBRARY);
  env.insert("FAKE_V4L2_SCRIPT", r.run.File("camera"));
  env.insert("KORVEX_V4L2_NODES", "/dev/video57");
  r.run.Start(r.process, {}, env, r.run.File("."));
  const QString live = r.run.File("live/tovra.jpg");
  auto inode = [&] {
    struct stat st {};
    return ::stat(live.toLocal8Bit(), &st) == 0 ? st.st_ino : 0;
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return inode() != 0; }, 20000));
  auto limit = [&](rlim_t bytes) {
    const rlimit l{bytes, RLIM_INFINITY};
    return ::prlimit(static_cast<pid_t>(r.process.processId()), RLIMIT_FSIZE, &l, nullptr);
  };
  ASSERT_EQ(limit(1), 0);
  QString said;
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        said += QString::fromUtf8(r.process.readAllStandardError());
        return said.contains("saveing 13: live image: live/tovra.jpg: File too large");
      },
      20000))
      << said.toStdString();
  const auto kept = inode();
  EXPECT_TRUE(IsJpeg(live));  // the one before the limit, whole
  ASSERT_EQ(limit(RLIM_INFINITY), 0);
  EXPECT_EQ(r.Status([&] { return inode() != kept; }), 0);
  EXPECT_EQ(QImage(live).width(), 320);
  // The cameras found are debug lines, printed only when asked for.
  EXPECT_FALSE((said + r.said).contains("quorvin.capture.devices")) << r.said.toStdString();
}

TEST(RecorderFaults, AHugeLogoIsRefusedOnceAndEveryErrorLineSaysWhy) {
  Faulty r("ch1(11) = 1\r\nLogomarkFilename = huge.jpg\r\n");
  QImage small(64, 48, QImage::Format_RGB32);
  small.fill(Qt::gray);
  ASSERT_TRUE(small.save(r.run.File("small.jpg")));
  WriteAll(r.run.File("huge.jpg"), JpegClaimingSize(ReadAll(r.run.File("small.jpg")), 30000, 30000));
  WriteAll(r.run.File("history"), "a file where the history folder must be");
  r.Start();
  EXPECT_EQ(
      r.Status([&] { return r.LiveImage() && ReadAll(r.run.File("Qv_error.log")).contains("saveing3"); }), 0);

  EXPECT_EQ(r.said.count(QStringLiteral("huge.jpg: 30000 x 30000 pixels is more than a picture may have")), 1)
      << r.said.toStdString();
  EXPECT_TRUE(
      r.said.contains(QStringLiteral("saveing 20: logo on the live image: the logo huge.jpg is not loaded")));
  EXPECT_TRUE(r.said.contains(QStringLiteral("cannot make history/: ") + qt_error_string(EEXIST)));
  EXPECT_EQ(QImage(r.run.File("live/tovra.jpg")).width(), 640);
  // The log file keeps its layout: message and code only.
  const QByteArray log = ReadAll(r.run.File("Qv_error.log"));
  EXPECT_TRUE(log.contains(" saveing 20 \r\n")) << log.constData();
  EXPECT_FALSE(log.contains("not loaded"));
}

}  // namespace
}  // namespace quorvin::test
