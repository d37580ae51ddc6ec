// The history save cycle: dated folders and names from the clock, thumbnails apart from the image.

#include "EngineFixture.h"
#include "ImageFiles.h"
#include "Naming.h"

#include <QDir>
#include <QFile>

using namespace quorvin;
using namespace quorvin::test;

namespace {

class HistoryCycle : public EngineFixture {
 protected:
  void Tick() { BuildHistoryNames(settings_, naming_, clock_); }  // what the scheduler does before a cycle
};

}  // namespace

TEST_F(HistoryCycle, DatedFoldersAndNamesFollowTheClockAndANewDayMakesANewFolder) {
  settings_.ch1[9] = settings_.ch1[10] = 1;
  settings_.op2[0] = 2;  // yymmdd
  settings_.op2[1] = 7;  // hh
  settings_.op2[2] = 0;
  settings_.op2[3] = 1;  // hhnnss
  settings_.histDirHead1[0] = QStringLiteral("d");
  settings_.histDirFoot1[1] = QStringLiteral("s");
  settings_.histDirFoot2[0] = QStringLiteral("h");
  settings_.HiFileHead[0] = QStringLiteral("cam");
  settings_.HiFileFoot[0] = QString();
  settings_.op3[12] = 1;  // greyscale history thumbnail
  DeriveNameFormats(settings_, naming_);

  clock_.Set(1999, 6, 29, 13, 45, 27);
  Tick();
  engine_->SaveHistoryImages();
  const QString hist = settings_.histPath;
  const JpegInfo image = InspectJpeg(ReadAll(hist + "d990629/13h/cam134527.jpg"));
  const JpegInfo thumb = InspectJpeg(ReadAll(hist + "d990629s/13h/cam134527_.jpg"));
  ASSERT_TRUE(image.valid);
  ASSERT_TRUE(thumb.valid);
  EXPECT_EQ(image.width, 640);
  EXPECT_EQ(thumb.width, 128);
  EXPECT_EQ(thumb.height, 96);
  EXPECT_FALSE(image.grey);
  EXPECT_TRUE(thumb.grey);
  EXPECT_EQ(image.firstLumaQuant, ExpectedFirstLumaQuant(imaging::JpegQualityFromFactor(settings_.rezo[3])));
  EXPECT_EQ(thumb.firstLumaQuant, ExpectedFirstLumaQuant(imaging::JpegQualityFromFactor(settings_.rezo[4])));
  EXPECT_EQ(host_.calls.first(), "Label7 0000ff");

  clock_.Set(1999, 6, 30, 0, 0, 5);
  Tick();
  engine_->SaveHistoryImages();
  EXPECT_TRUE(InspectJpeg(ReadAll(hist + "d990630/00h/cam000005.jpg")).valid);
  EXPECT_TRUE(InspectJpeg(ReadAll(hist + "d990630s/00h/cam000005_.jpg")).valid);
  EXPECT_TRUE(QFile::exists(hist + "d990629/13h/cam134527.jpg"));  // history accumulates
  EXPECT_TRUE(ErrorLogLines().isEmpty()) << ErrorLogLines().join('\n').toStdString();
  EXPECT_FALSE(controls_.LEAD1[0].HasImage());
  EXPECT_FALSE(controls_.LEAD1[1].HasImage());
}

TEST_F(HistoryCycle, AThumbnailWithTheImagesNameIsReplacedByTheImage) {
  settings_.ch1[9] = settings_.ch1[10] = 1;
  settings_.HiFileFoot[1] = QString();
  Tick();
  engine_->SaveHistoryImages();
  const JpegInfo info = InspectJpeg(ReadAll(engine_->HistoryFile(0)));
  EXPECT_EQ(engine_->HistoryFile(0), engine_->HistoryFile(1));
  ASSERT_TRUE(info.valid);
  EXPECT_EQ(info.width, 640);  // the image, written second
}

TEST_F(HistoryCycle, ZoomOfOneKeepsTheImageAndTheStampFollowsItsSwitch) {
  PlainVideoDevice plain(640, 480, QColor(60, 60, 60));
  UseDevice(&plain);
  settings_.ch1[9] = 1;
  settings_.zoom[3] = 1;
  Tick();
  engine_->SaveHistoryImages();
  const QImage stamped = DecodeJpeg(engine_->HistoryFile(0));
  ASSERT_EQ(stamped.size(), QSize(640, 480));
  EXPECT_GT(CountPixelsUnlike(stamped, QColor(60, 60, 60), 24), 50);

  settings_.ch1[2] = 0;
  clock_.AdvanceSeconds(600);
  Tick();
  engine_->SaveHistoryImages();
  EXPECT_EQ(CountPixelsUnlike(DecodeJpeg(engine_->HistoryFile(0)), QColor(60, 60, 60), 24), 0);
  EXPECT_FALSE(QFile::exists(engine_->HistoryFile(1)) && engine_->HistoryFile(1) != engine_->HistoryFile(0));
}

TEST_F(HistoryCycle, FailuresAreLoggedAsSaveing3AndTheTimerComesBack) {
  settings_.ch1[9] = settings_.ch1[10] = 1;
  QFile blocker(work_.File(QStringLiteral("nohist")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  settings_.histPath = work_.File(QStringLiteral("nohist/"));
  Tick();
  engine_->SaveHistoryImages();
  int lines = 0;
  for (const QString& line : ErrorLogLines()) lines += line.contains(QStringLiteral(" saveing3 "));
  EXPECT_EQ(lines, 2);  // the thumbnail and the image
  EXPECT_EQ(host_.calls.mid(host_.calls.size() - 3), (QStringList{"Label7 000000", "timer on", "events"}));
  EXPECT_FALSE(controls_.LEAD1[1].HasImage());  // released right after its save, failed or not
}
