// Snapshots into the program folder, the device choice, and a cycle from a scanner-class source.

#include "EngineFixture.h"

#include <QDir>
#include <QFile>

using namespace quorvin;
using namespace quorvin::test;

namespace {

using Snapshot = EngineFixture;
using DeviceChoice = EngineFixture;

void Touch(const QString& path) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

}  // namespace

TEST_F(Snapshot, NumbersFillTheFirstGapAndTheLastNameIsReusedWhenAllAreTaken) {
  const QString folder = work_.File(QStringLiteral("program"));
  QDir().mkpath(folder);
  SnapshotResult r = engine_->SaveSnapshot(folder);
  ASSERT_TRUE(r.ok) << r.error.toStdString();
  EXPECT_EQ(r.file, folder + "/vk00000.jpg");
  const JpegInfo info = InspectJpeg(ReadAll(r.file));
  EXPECT_EQ(info.width, 640);
  EXPECT_EQ(info.height, 480);
  EXPECT_EQ(info.firstLumaQuant, 1);  // quality factor 2, the best
  EXPECT_EQ(engine_->SaveSnapshot(folder + "/").file, folder + "/vk00001.jpg");

  QFile::remove(folder + "/vk00000.jpg");
  Touch(folder + "/vk00002.jpg");
  EXPECT_EQ(engine_->SaveSnapshot(folder).file, folder + "/vk00000.jpg");
  EXPECT_EQ(engine_->SaveSnapshot(folder).file, folder + "/vk00003.jpg");

  for (int n = 0; n <= 1024; ++n) Touch(folder + QStringLiteral("/vk%1.jpg").arg(n, 5, 10, QLatin1Char('0')));
  r = engine_->SaveSnapshot(folder);
  EXPECT_EQ(r.file, folder + "/vk01024.jpg");
  EXPECT_TRUE(InspectJpeg(ReadAll(r.file)).valid);
  EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 1025);
  EXPECT_TRUE(controls_.LEAD1[0].HasImage());  // the frame stays to be shown
}

TEST_F(Snapshot, AFailureIsReturnedAndTheCursorIsRestored) {
  const QString notAFolder = work_.File(QStringLiteral("file"));
  Touch(notAFolder);
  const SnapshotResult r = engine_->SaveSnapshot(notAFolder);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.isEmpty());
  EXPECT_EQ(host_.calls, (QStringList{"busy", "events", "idle"}));

  PlainVideoDevice dead(64, 48, Qt::red);
  dead.delivering = false;
  UseDevice(&dead);
  EXPECT_FALSE(engine_->SaveSnapshot(work_.Path()).ok);
  EXPECT_EQ(host_.calls.last(), "idle");
}

TEST_F(DeviceChoice, VideoAndScannerChoicesSetTheIndexAndTheSourceLabel) {
  EXPECT_TRUE(engine_->SelectDevice(1, settings_.DevIndex));
  EXPECT_EQ(host_.sourceLabel, QStringLiteral("(V%1)").arg(settings_.DevIndex));
  EXPECT_EQ(korvex_->GetDeviceIndex(), settings_.DevIndex);
  EXPECT_TRUE(korvex_->GetPreview());
  EXPECT_EQ(host_.fits, 1);

  ASSERT_EQ(controls_.LEAD1[0].TwainInit(0), 0);
  ASSERT_GT(controls_.LEAD1[0].TwainSourceCount(), 0) << "SANE's test backend is missing";
  EXPECT_TRUE(engine_->SelectDevice(0, 0));
  EXPECT_EQ(host_.sourceLabel, "(T 0)");
  EXPECT_EQ(settings_.DevIndexTwain, 0);
  EXPECT_EQ(controls_.LEAD1[0].TwainSourceName(), controls_.LEAD1[0].TwainSourceNameAt(0));

  EXPECT_TRUE(engine_->SelectDevice(7, 3));  // no such list: nothing happens
  EXPECT_EQ(host_.sourceLabel, "(T 0)");
}

TEST_F(DeviceChoice, ALiveCycleFromTheScannerSourceWritesItsFrameAndLogsAMissingSource) {
  ASSERT_EQ(controls_.LEAD1[0].TwainInit(0), 0);
  ASSERT_GT(controls_.LEAD1[0].TwainSourceCount(), 0) << "SANE's test backend is missing";
  settings_.op3[1] = 0;
  settings_.DevIndexTwain = 0;
  engine_->SaveLiveImages();
  const JpegInfo live = InspectJpeg(ReadAll(settings_.NetworkPath + "tovra.jpg"));
  ASSERT_TRUE(live.valid) << ErrorLogLines().join('\n').toStdString();
  EXPECT_GT(live.width, 100);
  EXPECT_GT(live.height, 100);
  EXPECT_TRUE(ErrorLogLines().isEmpty()) << ErrorLogLines().join('\n').toStdString();

  settings_.DevIndexTwain = 40;  // no such source: each failing step is logged and the cycle goes on
  engine_->SaveLiveImages();
  int twain = 0;
  for (const QString& line : ErrorLogLines()) twain += line.contains(QStringLiteral("TWAIN error"));
  EXPECT_GE(twain, 1);
}
