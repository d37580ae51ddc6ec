// The health file and the stale-capture alarm on the real engine with a camera that goes and comes back.
#include "ErrorLog.h"
#include "FaultyCaptureDevice.h"
#include "ShellTestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>

#include <gtest/gtest.h>

namespace quorvin::test {
namespace {

QJsonObject HealthFile(const QString& path) {
  return QJsonDocument::fromJson(ReadAll(path)).object();
}

int LinesWith(const QString& log, const char* text) {
  return QString::fromUtf8(ReadAll(log)).count(QLatin1String(text));
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
