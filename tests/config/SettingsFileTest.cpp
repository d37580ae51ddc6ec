// Reading, correcting and writing the settings file, byte for byte.

#include "SettingsFile.h"
#include "SettingsKeys.h"
#include "TestSupport.h"
#include "TextCodec.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <functional>

using namespace quorvin;
using quorvin::test::ReadAll;
using quorvin::test::RecordingMessageBoxes;
using quorvin::test::WriteAll;

namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  QString Path() const { return dir_.filePath(QStringLiteral("quorvin18.ini")); }

  // Loads `text` (CR LF lines, code page 932) into `s` and returns the status.
  LoadStatus Load(Settings& s, const QString& text) {
    WriteAll(Path(), *EncodeCp932(text));
    return LoadFile(s);
  }
  LoadStatus LoadFile(Settings& s) {
    LoadOptions options;
    options.boxes = &boxes_;
    options.onFinding = [this](const LoadFinding& f) { findings_.push_back(f); };
    options.refresh = [this](Settings&) { ++refreshes_; };
    return LoadSettings(s, Path(), options);
  }
  static QString Lines(std::initializer_list<const char*> lines) {
    QString text;
    for (const char* l : lines) text += QString::fromUtf8(l) + QStringLiteral("\r\n");
    return text;
  }

  QTemporaryDir dir_;
  RecordingMessageBoxes boxes_;
  std::vector<LoadFinding> findings_;
  int refreshes_ = 0;
};

Settings Defaults() {
  Settings s;
  LoadSettings(s, QStringLiteral("/nonexistent/quorvin18.ini"));
  return s;
}

}  // namespace

TEST_F(SettingsFileTest, MissingFileGivesTheCorrectedDefaultsAndStillRefreshes) {
  Settings s;
  EXPECT_EQ(LoadFile(s), LoadStatus::NoFile);
  EXPECT_EQ(refreshes_, 1);
  EXPECT_EQ(s.zoom, (std::array<float, 5>{1, 0.2f, 0.5f, 1, 0.2f}));
  EXPECT_EQ(s.rezo, (std::array<int32_t, 5>{25, 30, 10, 25, 30}));
  EXPECT_EQ(s.LiFiName[0], "tovra.jpg");
  EXPECT_EQ(s.LiFiName[1], "tovra_.jpg");
  EXPECT_EQ(s.LiFiName[2], "tovra_50.jpg");
  EXPECT_EQ(s.StartTime, "0000");
  EXPECT_EQ(s.EndTime, "0000");
  EXPECT_EQ(s.histPath, "");
  EXPECT_EQ(s.HiFileHead[0], "");  // op2(3) is 4
  EXPECT_EQ(s.HiFileFoot[0], "0");
  EXPECT_EQ(s.HiFileFoot[1], "_");
  EXPECT_EQ(s.efct[5], 100);
  EXPECT_EQ(s.stampFoot, QStringLiteral("Quorvin \\nv1.8.5.990629"));
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(SettingsFileTest, KeysMatchWithoutCaseOnlyByExactNameAndTheLastOccurrenceWins) {
  Settings s;
  ASSERT_EQ(Load(s, Lines({"v1.8.5.990629 01-01-2000    00:00:00", "", "ZOOM(1) = 0.3", "ch1( 3) = 0",
                           "'ch1(3) = 0", "ch1(9) = 1", "ch1(4) = 1", "ch1(31) = 1", "  ch1(9) = 0  ",
                           "zoom(2)=0.25", "no equals", "stampHead = Cam 1  'the head"})),
            LoadStatus::Loaded);
  EXPECT_EQ(s.zoom[1], 0.3f);
  EXPECT_EQ(s.zoom[2], 0.25f);
  EXPECT_EQ(s.ch1[3], 1);  // neither "ch1( 3)" nor "'ch1(3)" is its key
  EXPECT_EQ(s.ch1[9], 0);
  EXPECT_EQ(s.ch1[4], 0);
  EXPECT_EQ(s.stampHead, "Cam 1");

  std::vector<QString> unknown;
  int repeated = 0;
  for (const LoadFinding& f : findings_) {
    if (f.kind == LoadFinding::Kind::UnknownKey) unknown.push_back(f.key);
    if (f.kind == LoadFinding::Kind::RepeatedKey) {
      ++repeated;
      EXPECT_EQ(f.line, 9);
      EXPECT_EQ(f.key, "ch1(9)");
    }
  }
  EXPECT_EQ(unknown, (std::vector<QString>{"ch1( 3)", "'ch1(3)", "ch1(4)", "ch1(31)"}));
  EXPECT_EQ(repeated, 1);
}

TEST_F(SettingsFileTest, CorrectionsApplyInTheirOrder) {
  struct Case {
    const char* line;
    std::function<void(const Settings&)> check;
  } cases[] = {
      {"Rezo(2) = 0", [](const Settings& s) { EXPECT_EQ(s.rezo[2], 10); }},
      {"Rezo(2) = 1", [](const Settings& s) { EXPECT_EQ(s.rezo[2], 2); }},
      {"Rezo(2) = 300", [](const Settings& s) { EXPECT_EQ(s.rezo[2], 255); }},
      {"Rezo(2) = -5", [](const Settings& s) { EXPECT_EQ(s.rezo[2], 2); }},
      {"ColorGanma(1) = 0", [](const Settings& s) { EXPECT_EQ(s.colorganma[1], 1); }},
      {"ColorGanma(1) = 250", [](const Settings& s) { EXPECT_EQ(s.colorganma[1], 200); }},
      {"ColorGanma(1) = -3", [](const Settings& s) { EXPECT_EQ(s.colorganma[1], -3); }},
      {"ColorGanma2(3) = 0", [](const Settings& s) { EXPECT_EQ(s.colorganma2[3], 1); }},
      {"Efct(5) = 10", [](const Settings& s) { EXPECT_EQ(s.efct[5], 50); }},
      {"Efct(5) = 1000", [](const Settings& s) { EXPECT_EQ(s.efct[5], 300); }},
      {"Efct(4) = 1000", [](const Settings& s) { EXPECT_EQ(s.efct[4], 1000); }},
      {"StartTime =", [](const Settings& s) { EXPECT_EQ(s.StartTime, "0000"); }},
      {"stampTextColor = &HFF", [](const Settings& s) { EXPECT_EQ(s.stampTextColor, 255); }},
      {"stampTextColor = 255", [](const Settings& s) { EXPECT_EQ(s.stampTextColor, 255); }},
      {"ch1(3) = \"1\"", [](const Settings& s) { EXPECT_EQ(s.ch1[3], 1); }},
      {"ch1(3) =", [](const Settings& s) { EXPECT_EQ(s.ch1[3], 0); }},
      {"HiFileFoot(0) =", [](const Settings& s) { EXPECT_EQ(s.HiFileFoot[0], ""); }},
      {"HiFileFoot(1) =", [](const Settings& s) { EXPECT_EQ(s.HiFileFoot[1], "_"); }},
      {"NetworkPath = /srv/live", [](const Settings& s) { EXPECT_EQ(s.histPath, "/srv/live"); }},
      {"interval(0).Text = 45", [](const Settings& s) { EXPECT_EQ(s.inter[0], 45); }},
      {"histThumbDirFoot2 = t", [](const Settings& s) { EXPECT_EQ(s.histDirFoot2[1], "t"); }},
      {"histFileHead = cam", [](const Settings& s) { EXPECT_EQ(s.HiFileHead[0], "cam"); }},
      {"efct(6) = 7", [](const Settings& s) { EXPECT_EQ(s.efct[6], 7); }},
      {"StampAreaLeft = &H10", [](const Settings& s) { EXPECT_EQ(s.StampAreaLeft, 16); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Settings s;
    ASSERT_EQ(Load(s, Lines({c.line})), LoadStatus::Loaded);
    c.check(s);
  }
}

TEST_F(SettingsFileTest, HistoryFileHeadDefaultsToQvOnlyWithoutAnyTimeOrDateInTheName) {
  Settings s;
  Load(s, Lines({"op2(3) = 0", "HiFileHead(0) =", "HiFileFoot(0) ="}));
  EXPECT_EQ(s.HiFileHead[0], "qv");

  Settings t;
  Load(t, Lines({"HiFileHead(0) =", "HiFileFoot(0) ="}));  // the reset puts op2(3) back to 4
  EXPECT_EQ(t.HiFileHead[0], "");
}

TEST_F(SettingsFileTest, PictureAngleIsClampedAndOnlyRightAnglesSetTheTurn) {
  struct Case {
    const char* line;
    int32_t angle;
    int32_t turn;
  } cases[] = {{"PictureAngle = 90", 9000, 1},   {"PictureAngle = 45", 4500, 3},
               {"PictureAngle = 400", 36000, 3}, {"PictureAngle = -90", 0, 0},
               {"PictureAngle = 270", 27000, 3}, {"PictureAngle = 180", 18000, 2},
               {"PictureAngle = abc", 0, 3},     {"PictureAngle = 99999999", 36000, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Settings s;
    s.op3[18] = 3;  // not reset by a load
    Load(s, Lines({c.line}));
    EXPECT_EQ(s.PictureAngle, c.angle);
    EXPECT_EQ(s.op3[18], c.turn);
  }
}

TEST_F(SettingsFileTest, FieldsWithoutResetKeepTheirValueWhenTheFileLacksTheirKey) {
  Settings s;
  Load(s, Lines({"stampHead = Cam", "stampFoot = Foot", "DevIndex = 3"}));
  Load(s, Lines({"ch1(9) = 1"}));
  EXPECT_EQ(s.stampHead, "Cam");
  EXPECT_EQ(s.DevIndex, 3);
  EXPECT_EQ(s.stampFoot, QStringLiteral("Quorvin \\nv1.8.5.990629"));
}

TEST_F(SettingsFileTest, ANonIntegerEndsTheLoadWithTheMessageAndReadsNoFurther) {
  Settings s;
  EXPECT_EQ(Load(s, Lines({"ch1(9) = 1", "DevIndex = 1x 'comment", "ch1(10) = 1", "Rezo(0) = 0"})),
            LoadStatus::Fatal);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_TRUE(boxes_.boxes[0].fatal);
  EXPECT_EQ(boxes_.boxes[0].title, "Settings file load error");
  EXPECT_EQ(boxes_.boxes[0].text, "A number in the settings file holds invalid characters: \"1x\".");
  EXPECT_EQ(s.ch1[9], 1);
  EXPECT_EQ(s.ch1[10], 0);  // not read
  EXPECT_EQ(s.rezo[0], 0);  // no corrections
  EXPECT_EQ(refreshes_, 0);
}

TEST_F(SettingsFileTest, NonNumbersInGeneralNumbersKeepTheFieldAndAreReported) {
  Settings s;
  s.zoom[1] = 0.7f;
  Load(s, Lines({"Zoom(1) = big", "StampAreaTop = 12px", "stampTextColor = white"}));
  EXPECT_EQ(s.zoom[1], 0.7f);
  EXPECT_EQ(s.StampAreaTop, 0);
  EXPECT_EQ(s.stampTextColor, 0xFFFFFF);
  int reported = 0;
  for (const LoadFinding& f : findings_) reported += f.kind == LoadFinding::Kind::NotANumber;
  EXPECT_EQ(reported, 3);
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(SettingsFileTest, LinesEndAtCrLfLoneCrAndLoneLf) {
  Settings s;
  WriteAll(Path(), "ch1(9) = 1\rch1(10) = 1\nch1(11) = 1\r\nch1(12) = 1");
  LoadFile(s);
  EXPECT_EQ(s.ch1[9], 1);
  EXPECT_EQ(s.ch1[10], 1);
  EXPECT_EQ(s.ch1[11], 1);
  EXPECT_EQ(s.ch1[12], 1);
}

TEST_F(SettingsFileTest, OnlyARegularFileOrALinkToOneIsReadAndAnythingElseAtTheNameIsFatal) {
  const QByteArray path = Path().toLocal8Bit();
  const QString target = dir_.filePath(QStringLiteral("target.ini"));
  WriteAll(target, "DevIndex = 3\r\n");
  struct Case {
    const char* what;
    std::function<void()> make;
    LoadStatus status;
  } cases[] = {
      {"nothing", [] {}, LoadStatus::NoFile},
      {"a link to a file", [&] { ::symlink("target.ini", path); }, LoadStatus::Loaded},
      {"a dangling link", [&] { ::symlink("/nonexistent/quorvin18.ini", path); }, LoadStatus::Fatal},
      {"a folder", [&] { ::mkdir(path, 0755); }, LoadStatus::Fatal},
      {"a link to a folder", [&] { ::symlink(".", path); }, LoadStatus::Fatal},
      {"a pipe", [&] { ::mkfifo(path, 0644); }, LoadStatus::Fatal},  // must not block either
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::unlink(path);
    ::rmdir(path);
    boxes_.boxes.clear();
    c.make();
    Settings s;
    EXPECT_EQ(LoadFile(s), c.status);
    EXPECT_EQ(s.DevIndex, c.status == LoadStatus::Loaded ? 3 : 0);
    ASSERT_EQ(boxes_.boxes.size(), c.status == LoadStatus::Fatal ? 1u : 0u);
    if (c.status == LoadStatus::Fatal) {
      EXPECT_TRUE(boxes_.boxes[0].text.contains(Path()));
    }
  }
  EXPECT_EQ(refreshes_, 2);  // the fatal cases stop before the refresh
}

TEST_F(SettingsFileTest, SaveWritesThroughLinksButNotThroughADanglingOne) {
  QDir().mkpath(dir_.filePath(QStringLiteral("share")));
  const QString target = dir_.filePath(QStringLiteral("share/real.ini"));
  const QByteArray old = "DevIndex = 1\r\n", path = Path().toLocal8Bit();
  // Through a chain of links the final target gets the file, in its own folder; the links stay.
  WriteAll(target, old);
  ASSERT_EQ(::symlink("share/real.ini", dir_.filePath(QStringLiteral("hop.ini")).toLocal8Bit()), 0);
  ASSERT_EQ(::symlink("hop.ini", path), 0);
  ASSERT_TRUE(SaveSettings(Defaults(), Path(), quorvin::test::ManualClock()).ok);
  EXPECT_TRUE(ReadAll(target).startsWith("v1.8.5.990629 "));
  EXPECT_EQ(QFileInfo(Path()).symLinkTarget(), dir_.filePath(QStringLiteral("hop.ini")));
  EXPECT_EQ(QDir(dir_.filePath(QStringLiteral("share"))).entryList(QDir::Files | QDir::Hidden),
            QStringList{"real.ini"});

  // A dangling link (the recorder ran on while its share went away) is left, its target not created.
  ::unlink(path);
  ASSERT_EQ(::symlink("share/gone.ini", path), 0);
  boxes_.boxes.clear();
  EXPECT_FALSE(SaveSettings(Defaults(), Path(), quorvin::test::ManualClock(), &boxes_).ok);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_TRUE(boxes_.boxes[0].text.contains(QStringLiteral("the link's target is missing")));
  EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("share/gone.ini"))));
}

TEST_F(SettingsFileTest, TheDefaultFileIsWrittenByteForByte) {
  const QByteArray golden = ReadAll(QStringLiteral(QUORVIN_TEST_DATA "/default.ini"));
  ASSERT_FALSE(golden.isEmpty());
  const QByteArray written = SettingsFileBytes(Defaults(), QDateTime(QDate(2003, 1, 2), QTime(4, 5, 6)));
  EXPECT_EQ(written, golden);
  EXPECT_EQ(written.count("\r\n"), 114);
  EXPECT_EQ(written.count('\n'), 114);  // no bare LF
}

TEST_F(SettingsFileTest, HeaderHoldsVersionDateAndTimeInFourteenColumnZones) {
  const QByteArray bytes = SettingsFileBytes(Settings{}, QDateTime(QDate(1999, 6, 29), QTime(13, 5, 9)));
  EXPECT_TRUE(bytes.startsWith("v1.8.5.990629 06-29-1999    13:05:09\r\n\r\nDevIndexTwain = 0"));
}

TEST_F(SettingsFileTest, SavingAndLoadingGivesTheRecordBackExceptTheDocumentedLosses) {
  Settings s = Defaults();
  s.DevIndex = 2;
  s.ch1[9] = 1;
  s.ch1[29] = 1;
  s.zoom = {0.33f, 0.1f, 0.75f, 2.5f, 1.0f / 3.0f};
  s.efct = {500, 3, 5, 7, 9, 150, 0, 0, 0, 0, 0};
  s.stampHead = QString::fromUtf8("カメラ 1");
  s.stampFoot = QStringLiteral("a\\nb");
  s.stampDateSep = QStringLiteral("/");
  s.stampTextColor = 0x123456;
  s.SFontName = QString::fromUtf8("ＭＳ 明朝");
  s.SFontSize = QStringLiteral("20");
  s.StampAreaTop = -5;
  s.EfctAWidth = 640;
  s.LogomarkFilename = QStringLiteral("/srv/logo.png");
  s.MarkPosLeft = 370;
  s.StartTime = QStringLiteral("0830");
  s.EndTime = QStringLiteral("1730");
  s.NetworkPath = QStringLiteral("/srv/live/");
  s.histPath = QStringLiteral("/srv/hist/");
  s.LiFiName[0] = QStringLiteral("cam.jpg");
  s.inter = {60, 3600};
  s.histDirHead1[0] = QStringLiteral("d");
  s.histDirFoot2[1] = QStringLiteral("s");
  s.HiFileHead[0] = QStringLiteral("cam");
  s.HiFileFoot[0] = QString();
  s.rezo = {2, 255, 50, 40, 100};
  s.colorganma = {1, 200, -3, 150};
  s.colorganma2 = {90, 80, 70, 60};
  s.op2 = {2, 7, 0, 1, 3, 2, 1, 2, 3, 4, 0};
  s.op3 = {3, 0, 8, 4, 0, 2, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 1, 1, 2, 0, 0};
  s.PictureAngle = 18000;

  ASSERT_TRUE(SaveSettings(s, Path(), quorvin::test::ManualClock()).ok);
  Settings back;
  ASSERT_EQ(LoadFile(back), LoadStatus::Loaded);
  EXPECT_EQ(back.PictureAngle, 0);  // never saved
  back.PictureAngle = s.PictureAngle;
  EXPECT_EQ(back, s);
  EXPECT_TRUE(ReadAll(Path()).contains(*EncodeCp932(QString::fromUtf8("stampHead = \"カメラ 1\""))));
}

TEST_F(SettingsFileTest, TextsLoseBlanksCommentsAndOneQuotePairOnTheWayBack) {
  Settings s = Defaults();
  s.stampHead = QStringLiteral("  \"q\" it's");
  s.LogomarkFilename = QStringLiteral(" /a b ");
  ASSERT_TRUE(SaveSettings(s, Path(), quorvin::test::ManualClock()).ok);
  Settings back;
  LoadFile(back);
  EXPECT_EQ(back.stampHead, "  \"q\" it");  // blanks inside the quotes stay
  EXPECT_EQ(back.LogomarkFilename, "/a b");
}

TEST_F(SettingsFileTest, AValueOutsideCodePage932SwitchesTheWholeFileToUtf8WithAMark) {
  Settings s = Defaults();
  s.stampHead = QString::fromUtf8("Café €");
  ASSERT_TRUE(SaveSettings(s, Path(), quorvin::test::ManualClock()).ok);
  const QByteArray bytes = ReadAll(Path());
  ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  EXPECT_TRUE(bytes.contains(QString::fromUtf8("'タイムスタンプテロップヘッダ").toUtf8()));
  Settings back;
  LoadFile(back);
  EXPECT_EQ(back.stampHead, QString::fromUtf8("Café €"));
  EXPECT_EQ(back.SFontName, QString::fromUtf8("ＭＳ Ｐゴシック"));
}

TEST_F(SettingsFileTest, AFailedSaveTellsTheOperatorAndKeepsTheOldFile) {
  const QString blocker = dir_.filePath(QStringLiteral("plain-file"));
  WriteAll(blocker, "x");
  SaveResult r = SaveSettings(Defaults(), blocker + QStringLiteral("/quorvin18.ini"),
                              quorvin::test::ManualClock(), &boxes_);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.isEmpty());
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_FALSE(boxes_.boxes[0].fatal);
  EXPECT_TRUE(boxes_.boxes[0].text.contains(QStringLiteral("plain-file")));

  // A write that fails half-way (the file-size limit stands in for a full disk) leaves the old file whole.
  const QByteArray old = "DevIndex = 1\r\n";
  WriteAll(Path(), old);
  {
    quorvin::test::FileSizeLimit limit(1000);
    r = SaveSettings(Defaults(), Path(), quorvin::test::ManualClock(), &boxes_);
  }
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(ReadAll(Path()), old);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // no temporary left behind
}

TEST(SettingsKeyTable, HoldsTheWrittenKeysOnceEachAndResetsOnlyDefaultedFields) {
  EXPECT_EQ(WrittenKeys().size(), 112u);
  QSet<QString> names;
  for (const KeyEntry& e : WrittenKeys()) {
    EXPECT_TRUE(QString::fromUtf8(e.keyText).endsWith(QStringLiteral(" = "))) << e.keyText;
    EXPECT_FALSE(names.contains(e.Name().toLower())) << e.keyText;
    names.insert(e.Name().toLower());
  }
  Settings changed;
  changed.ch1.fill(7);
  changed.op3.fill(7);
  changed.stampHead = QStringLiteral("kept");
  changed.stampFoot = QStringLiteral("reset");
  changed.efct.fill(7);
  ResetLoadDefaults(changed);
  EXPECT_EQ(changed.ch1[1], 1);
  EXPECT_EQ(changed.ch1[9], 7);
  EXPECT_EQ(changed.op3[5], 5);
  EXPECT_EQ(changed.op3[18], 7);
  EXPECT_EQ(changed.efct[5], 100);
  EXPECT_EQ(changed.efct[6], 7);
  EXPECT_EQ(changed.stampHead, "kept");
  EXPECT_EQ(changed.stampFoot, Settings{}.stampFoot);
}
