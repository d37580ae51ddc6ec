// Running as a service: the notification protocol of the real program, the health file and the
// stale-capture alarm on the real engine with a camera that goes and comes back.
#include "ErrorLog.h"
#include "FaultyCaptureDevice.h"
#include "RecorderRun.h"
#include "ShellTestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

QJsonObject HealthFile(const QString& path) {
  return QJsonDocument::fromJson(ReadAll(path)).object();
}

int LinesWith(const QString& log, const char* text) {
  return QString::fromUtf8(ReadAll(log)).count(QLatin1String(text));
}

// A datagram socket standing in for the service manager's notification socket.
class NotifySocket {
 public:
  explicit NotifySocket(const QString& path) : path_(path) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = path.toLocal8Bit();
    std::copy_n(name.constData(), std::min<size_t>(name.size(), sizeof address.sun_path - 1),
                address.sun_path);
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~NotifySocket() {
    ::close(fd_);
    ::unlink(path_.toLocal8Bit().constData());
  }
  bool Bound() const { return bound_; }
  // Every message that came since the last call, in order.
  QStringList Read() {
    QStringList got;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0;)
      got << QString::fromUtf8(buffer, static_cast<int>(n));
    return got;
  }

 private:
  QString path_;
  int fd_ = -1;
  bool bound_ = false;
};

// The real program under a stand-in service manager, without a camera and in Japanese: ready once started
// (the health file is written by then), watchdog pings every 200 ms, the stale alarm as status, on
// standard error and as one log line, stopping when SIGTERM begins the end.
TEST(Service, TheProgramTellsTheServiceManagerReadyAliveStaleAndStopping) {
  RecorderRun run;
  ASSERT_TRUE(QFile::copy(QUORVIN_EXAMPLE_SETTINGS, run.SettingsFile()));
  QFile::setPermissions(run.SettingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  NotifySocket manager(run.File("notify"));
  ASSERT_TRUE(manager.Bound());
  QProcessEnvironment env = run.Environment();
  env.insert("NOTIFY_SOCKET", run.File("notify"));
  env.insert("WATCHDOG_USEC", "400000");
  env.insert("KORVEX_NO_TEST_DEVICE", "1");
  env.insert("LC_ALL", "ja_JP.UTF-8");
  QProcess recorder;
  run.Start(recorder, {}, env, run.File("work"));

  QStringList told;
  bool healthAtReady = false;
  const auto waitFor = [&](const QString& message) {
    return QTest::qWaitFor(
        [&] {
          for (const QString& m : manager.Read()) {
            if (m == "READY=1") healthAtReady = QFile::exists(run.File("bin/quorvin18.health.json"));
            told << m;
          }
          return told.contains(message) || recorder.state() == QProcess::NotRunning;
        },
        20000);
  };
  const QString stale =
      QString::fromUtf8("ライブ画像の取り込みが 6 秒間（ライブ間隔 3 回分）成功していません。");
  ASSERT_TRUE(waitFor("STATUS=" + stale)) << told.join(' ').toStdString();
  EXPECT_EQ(told.value(0), "READY=1");
  EXPECT_TRUE(healthAtReady);
  EXPECT_GE(told.count("WATCHDOG=1"),
            10);  // 6 s of captures that fail, at least one ping a second
  EXPECT_EQ(told.count("READY=1"), 1);

  recorder.terminate();
  ASSERT_TRUE(recorder.waitForFinished(10000));
  EXPECT_EQ(recorder.exitCode(), 0);
  waitFor("STOPPING=1");
  EXPECT_EQ(told.last(), "STOPPING=1");
  const QString err = QString::fromUtf8(recorder.readAllStandardError());
  EXPECT_EQ(err.count(" live capture stale 60: " + stale + "\n"), 1) << err.toStdString();
  EXPECT_EQ(LinesWith(run.File("work/Qv_error.log"), "live capture stale 60 \r\n"), 1);

  const QJsonObject health = HealthFile(run.File("bin/quorvin18.health.json"));
  EXPECT_TRUE(health["stale"].toBool());
  EXPECT_EQ(health["staleAfterSeconds"].toInt(), 6);
  const QJsonObject live = health["live"].toObject();
  EXPECT_GE(live["captures"].toInt(), 3);
  EXPECT_EQ(live["failures"].toInt(), live["captures"].toInt());
  EXPECT_TRUE(live["lastSuccess"].isNull());
  const QString lastError = health["lastError"].toString();
  EXPECT_FALSE(lastError.isEmpty());
  EXPECT_TRUE(ReadAll(run.File("work/Qv_error.log")).contains((lastError + "\r\n").toUtf8()))
      << lastError.toStdString();
}

// The real window and engine, parked in the tray, on a camera that is unplugged and plugged in again, with
// live captures every 2 s.
class Health : public ::testing::Test {
 protected:
  Health() : shell(/*recordingEngine=*/false, 1) { shell.devices = korvex::test::SourceOf({camera}); }
  void SetUp() override {
    WriteAll(shell.SettingsFile(), QStringLiteral("NetworkPath = %1/\r\ninter(0) = 2\r\nch1(29) = 1\r\n")
                                       .arg(shell.work.File("live"))
                                       .toUtf8());
    ASSERT_TRUE(shell.form().Form_Load());
  }
  QJsonObject File() { return HealthFile(shell.work.File("quorvin18.health.json")); }
  QString Log() const { return shell.work.File("Qv_error.log"); }
  QString Label10() { return shell.Find<QLabel>("Label10")->text(); }

  std::shared_ptr<korvex::test::FaultyDevice> camera = std::make_shared<korvex::test::FaultyDevice>();
  Shell shell;
};

TEST_F(Health, TheAlarmComesOnceAfterThreeIntervalsWithoutALiveImageAndGoesWhenImagesReturn) {
  const CaptureHealth& health = shell.form().health();
  EXPECT_EQ(File()["live"].toObject()["captures"].toInt(),
            0);  // written at start
  shell.Run(5);
  const QDateTime lastImage = health.Live().lastSuccess;
  EXPECT_EQ(health.Live().captures, 2);
  EXPECT_EQ(health.Live().failures, 0);
  EXPECT_EQ(File()["live"].toObject()["lastSuccess"].toString(),
            lastImage.toOffsetFromUtc(lastImage.offsetFromUtc()).toString(Qt::ISODate));
  EXPECT_TRUE(File()["lastError"].isNull());

  camera->Unplug();
  const QString alarm = "No live capture has succeeded for 6 s (3 live intervals).";
  ::testing::internal::CaptureStderr();
  shell.Run(4);  // two captures fail, but only 5 s have passed since the last live image
  EXPECT_FALSE(health.Stale());
  shell.Run(12);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(health.Stale());
  EXPECT_EQ(health.Live().lastSuccess, lastImage);
  EXPECT_EQ(health.Live().failures, 8);
  EXPECT_EQ(QString::fromStdString(err).count(" live capture stale 60: " + alarm + "\n"), 1) << err;
  EXPECT_EQ(LinesWith(Log(), "live capture stale 60 \r\n"), 1);
  EXPECT_EQ(LinesWith(Log(), "saveing "), 8);  // one line per failed capture
  EXPECT_EQ(Label10(), "ACTIVE\nLIVE CAPTURE FAILING");
  EXPECT_EQ(shell.form().tray().Alarm(), alarm);
  EXPECT_EQ(shell.form().tray().CurrentIcon().pixmap(32).toImage(),
            TrayIcon::AlarmIcon().pixmap(32).toImage());
  const QJsonObject stale = File();
  EXPECT_TRUE(stale["stale"].toBool());
  EXPECT_EQ(stale["live"].toObject()["failures"].toInt(), 8);
  EXPECT_TRUE(stale["lastError"].toString().contains("saveing "))
      << stale["lastError"].toString().toStdString();

  camera->Replug();
  ::testing::internal::CaptureStderr();
  shell.Run(4);
  err = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(health.Stale());
  EXPECT_GT(health.Live().lastSuccess, lastImage);
  EXPECT_EQ(QString::fromStdString(err).count(" live capture recovered 61: Live captures succeed again.\n"),
            1)
      << err;
  EXPECT_EQ(LinesWith(Log(), "live capture recovered 61 \r\n"), 1);
  EXPECT_EQ(LinesWith(Log(), "live capture stale"), 1);
  EXPECT_EQ(Label10(), "ACTIVE");
  EXPECT_TRUE(shell.form().tray().Alarm().isEmpty());
  EXPECT_FALSE(File()["stale"].toBool());
  EXPECT_EQ(File()["live"].toObject()["captures"].toInt(), health.Live().captures);
}

// Due captures that never run (the scheduler stopped ticking) raise the alarm too; time outside the
// operation time, with the scheduler off, or a clock set forward does not.
TEST(HealthWithoutTicks, OnlyDueTimeCountsTowardsTheAlarm) {
  const struct {
    const char* settings;
    qint64 jump;  // the clock set forward first, as a time sync at boot does
    int seconds;  // then checked every second
    bool stale;
  } cases[] = {
      {"inter(0) = 2\r\n", 0, 6, true},
      {"inter(0) = 2\r\n", 0, 5, false},
      {"inter(0) = 2\r\nch1(28) = 0\r\n", 0, 60, false},
      {"inter(0) = 2\r\nop3(16) = 1\r\nStartTime = 1300\r\nEndTime = 1400\r\n", 0, 60, false},
      {"inter(0) = 2\r\nch1(6) = 0\r\nch1(7) = 0\r\nch1(8) = 0\r\n", 0, 60, false},
      {"inter(0) = 2\r\n", 3600, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings + std::to_string(c.seconds));
    Shell shell;
    WriteAll(shell.SettingsFile(), c.settings);
    ASSERT_TRUE(shell.form().Form_Load());
    shell.form().CheckCaptureHealth();
    ::testing::internal::CaptureStderr();
    if (c.jump) {
      shell.clock.AdvanceSeconds(c.jump);
      shell.form().CheckCaptureHealth();
    }
    for (int s = 0; s < c.seconds; ++s) {
      shell.clock.AdvanceSeconds(1);
      shell.form().CheckCaptureHealth();
    }
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(shell.form().health().Stale(), c.stale);
    EXPECT_EQ(shell.engine->saves.size(), 0u);
  }
}

}  // namespace
}  // namespace quorvin::test
