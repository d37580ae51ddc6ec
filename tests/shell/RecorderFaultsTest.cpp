// The built program, headless on the test device, against the odd files an operator's machine holds: a
// read-only, a linked or a dangling settings file, one in UTF-8 from a Linux editor, temporary files of a
// killed save, a logo whose header claims a huge picture, a history folder that cannot be made.
#include "TestSupport.h"
#include "TextCodec.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <functional>

namespace quorvin::test {
namespace {

// One run of the recorder from a copy in bin/ of a temporary folder that is also its working folder.
class Recorder {
 public:
  // `settings`: the bytes of bin/quorvin18.ini; the shipped example with `extra` lines appended when empty.
  explicit Recorder(const QByteArray& extra = {}) {
    QDir().mkpath(run_.File("bin"));
    QFile::copy(QUORVIN18_PROGRAM, run_.File("bin/quorvin18"));
    WriteAll(SettingsFile(), ReadAll(QUORVIN_EXAMPLE_SETTINGS) + extra);
    QDir().mkpath(run_.File("runtime"));
    QFile::setPermissions(run_.File("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }
  QString File(const QString& name) const { return run_.File(name); }
  QString SettingsFile() const { return run_.File("bin/quorvin18.ini"); }

  void Start() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "QT_LOGGING_RULES"})
      env.remove(QLatin1String(name));
    env.insert("XDG_CONFIG_HOME", run_.File("config"));
    env.insert("XDG_RUNTIME_DIR", run_.File("runtime"));
    process_.setProcessEnvironment(env);
    process_.setWorkingDirectory(run_.Path());
    process_.start(run_.File("bin/quorvin18"), {});
    ASSERT_TRUE(process_.waitForStarted(10000));
  }
  // Until the first live image is there (and `more` holds), then SIGTERM; the exit status (-1 when it
  // did not end).
  int RunToFirstLiveImage(const std::function<bool()>& more = [] { return true; }) {
    Start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(File("live/tovra.jpg")) && more(); }, 20000));
    process_.terminate();
    return Ended();
  }
  int Ended() {
    if (!process_.waitForFinished(15000)) return -1;
    stderr_ += QString::fromUtf8(process_.readAllStandardError());
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  const QString& Stderr() const { return stderr_; }

 private:
  WorkingFolder run_;
  QProcess process_;
  QString stderr_;
};

QStringList Temporaries(const QString& folder) {
  return QDir(folder).entryList({QStringLiteral(".*.quorvin-*")}, QDir::Files | QDir::Hidden, QDir::Name);
}

TEST(RecorderFaults, ReadOnlyLinkedDanglingAndUtf8SettingsFilesAndTemporariesOfAKilledSave) {
  {
    // A read-only file stays as it is and the operator is told; stale temporaries of killed saves go,
    // the one another instance is writing (it holds the lock) stays.
    Recorder r;
    const QByteArray before = ReadAll(r.SettingsFile());
    ASSERT_EQ(::chmod(r.SettingsFile().toLocal8Bit(), 0444), 0);
    QDir().mkpath(r.File("live"));
    for (const char* name : {"bin/.quorvin18.ini.quorvin-Ab12Cd", "live/.tovra.jpg.quorvin-Ef34Gh",
                             "live/.tovra_.jpg.quorvin-Ij56Kl"})
      WriteAll(r.File(name), "half a file");
    const int held = ::open(r.File("live/.tovra_.jpg.quorvin-Ij56Kl").toLocal8Bit(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(r.RunToFirstLiveImage(), 0);
    ::close(held);
    EXPECT_EQ(ReadAll(r.SettingsFile()), before);
    EXPECT_TRUE(r.Stderr().contains(QString::fromUtf8("INIファイルセーブエラー")))
        << r.Stderr().toStdString();
    EXPECT_TRUE(r.Stderr().contains(QStringLiteral("read-only file")));
    EXPECT_TRUE(Temporaries(r.File("bin")).isEmpty());
    EXPECT_EQ(Temporaries(r.File("live")), QStringList{".tovra_.jpg.quorvin-Ij56Kl"});
    // SANE's list of sources is a debug line, not shown unless asked for.
    EXPECT_FALSE(r.Stderr().contains(QStringLiteral("local sources"))) << r.Stderr().toStdString();
  }
  {
    // A link to a UTF-8 file without the mark, as a Linux editor writes it: read as UTF-8, saved through
    // the link as UTF-8 with the mark.
    Recorder r;
    const QString text = DecodeSettingsText(ReadAll(r.SettingsFile())) + "stampHead = \"玄関カメラ\"\r\n";
    QDir().mkpath(r.File("etc"));
    WriteAll(r.File("etc/cam.ini"), text.toUtf8().replace("\r\n", "\n"));
    QFile::remove(r.SettingsFile());
    ASSERT_EQ(::symlink("../etc/cam.ini", r.SettingsFile().toLocal8Bit()), 0);
    EXPECT_EQ(r.RunToFirstLiveImage(), 0);
    EXPECT_EQ(QFileInfo(r.SettingsFile()).symLinkTarget(), r.File("etc/cam.ini"));
    const QByteArray saved = ReadAll(r.File("etc/cam.ini"));
    EXPECT_TRUE(saved.startsWith(kUtf8Bom));
    EXPECT_TRUE(saved.contains("\r\nstampHead = \"玄関カメラ\" ")) << saved.left(400).constData();
    EXPECT_TRUE(saved.contains("\r\ninter(0) = 2 "));
  }
  {
    // A dangling link (an unmounted share) stops the recorder before anything is written.
    Recorder r;
    QFile::remove(r.SettingsFile());
    ASSERT_EQ(::symlink("/nonexistent/share/quorvin18.ini", r.SettingsFile().toLocal8Bit()), 0);
    r.Start();
    EXPECT_EQ(r.Ended(), 1);
    EXPECT_TRUE(r.Stderr().contains(QString::fromUtf8("を読み込めません"))) << r.Stderr().toStdString();
    EXPECT_TRUE(QFileInfo(r.SettingsFile()).isSymLink());
    EXPECT_FALSE(QFile::exists(r.File("live")));
  }
}

TEST(RecorderFaults, AHugeLogoIsRefusedOnceAndEveryErrorLineSaysWhy) {
  const QByteArray extra = "ch1(11) = 1\r\nLogomarkFilename = huge.jpg\r\n";
  Recorder r(extra);
  QImage small(64, 48, QImage::Format_RGB32);
  small.fill(Qt::gray);
  ASSERT_TRUE(small.save(r.File("small.jpg")));
  WriteAll(r.File("huge.jpg"), JpegClaimingSize(ReadAll(r.File("small.jpg")), 30000, 30000));
  WriteAll(r.File("history"), "a file where the history folder must be");
  EXPECT_EQ(r.RunToFirstLiveImage([&] { return ReadAll(r.File("Qv_error.log")).contains("saveing3"); }), 0);

  const QString said = r.Stderr();
  EXPECT_EQ(said.count(QStringLiteral("huge.jpg: 30000 x 30000 pixels is more than a picture may have")), 1)
      << said.toStdString();
  EXPECT_TRUE(
      said.contains(QStringLiteral("saveing 20: logo on the live image: the logo huge.jpg is not loaded")));
  EXPECT_TRUE(said.contains(QStringLiteral("cannot make history/: ") + qt_error_string(EEXIST)));
  EXPECT_TRUE(QImage(r.File("live/tovra.jpg")).width() == 640);
  // The log file keeps its layout: the message and the code only.
  const QByteArray log = ReadAll(r.File("Qv_error.log"));
  EXPECT_TRUE(log.contains(" saveing 20 \r\n")) << log.constData();
  EXPECT_FALSE(log.contains("not loaded"));
}

}  // namespace
}  // namespace quorvin::test
