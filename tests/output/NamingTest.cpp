#include "Naming.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace quorvin {
namespace {

using test::ManualClock;

// Hands out the given moments one per reading, then repeats the last.
class SequenceClock final : public Clock {
 public:
  explicit SequenceClock(std::vector<QDateTime> moments) : moments_(std::move(moments)) {}
  QDateTime Now() const override {
    const QDateTime now = moments_[std::min(reads_, moments_.size() - 1)];
    ++reads_;
    return now;
  }
  std::size_t Reads() const { return reads_; }

 private:
  std::vector<QDateTime> moments_;
  mutable std::size_t reads_ = 0;
};

// ---- DeriveNameFormats --------------------------------------------------------------------------------

struct FormatCase {
  int op2Index;
  int32_t code;
  QString expected;
};

QString DerivedFormat(const NamingState& n, int op2Index) {
  switch (op2Index) {
    case 0:
      return n.FolderDateFormat1;
    case 1:
      return n.FolderDateFormat2;
    case 2:
      return n.FileDateFormat;
    case 3:
      return n.FileTimeFormat;
    case 4:
      return n.StampDateFormat;
    case 5:
      return n.StampTimeFormat;
    default:
      return {};
  }
}

TEST(DeriveNameFormats, EveryCodeOfEveryColumn) {
  const std::vector<FormatCase> cases = {
      {0, 0, ""},       {0, 1, "yyyymmdd"}, {0, 2, "yymmdd"},   {0, 3, "yymm"},     {0, 4, "yy"},
      {0, 5, "mmdd"},   {0, 6, "mm"},       {0, 7, "dd"},       {1, 0, ""},         {1, 1, "yyyymmdd"},
      {1, 2, "yymmdd"}, {1, 3, "yymm"},     {1, 4, "mmdd"},     {1, 5, "mm"},       {1, 6, "dd"},
      {1, 7, "hh"},     {2, 0, ""},         {2, 1, "yyyymmdd"}, {2, 4, "yy"},       {2, 7, "dd"},
      {3, 0, ""},       {3, 1, "hhnnss"},   {3, 2, "hhnnss"},   {3, 3, "hhnn"},     {3, 4, "hhnn"},
      {3, 5, "hh"},     {3, 6, "hh"},       {4, 0, " "},        {4, 1, "yyyymmdd"}, {4, 2, "yyyymm"},
      {4, 3, "yyyy"},   {4, 4, "yymmdd"},   {4, 5, "yymm"},     {4, 6, "yy"},       {4, 7, "mmdd"},
      {4, 8, "mm"},     {4, 9, "dd"},       {5, 0, " "},        {5, 1, "hhnnss"},   {5, 2, "hhnn"},
      {5, 3, "hh"},
  };
  for (const auto& c : cases) {
    Settings s;
    NamingState n;
    s.op2[c.op2Index] = c.code;
    DeriveNameFormats(s, n);
    EXPECT_EQ(DerivedFormat(n, c.op2Index), c.expected) << "op2(" << c.op2Index << ") = " << c.code;
  }
}

TEST(DeriveNameFormats, FileTimeLengthFollowsTimeCode) {
  const int32_t expected[] = {0, 6, 5, 4, 3, 2, 1};
  for (int32_t code = 0; code <= 6; ++code) {
    Settings s;
    NamingState n;
    s.op2[3] = code;
    DeriveNameFormats(s, n);
    EXPECT_EQ(n.FileTimeLength, expected[code]) << "op2(3) = " << code;
  }
}

TEST(DeriveNameFormats, CodeOutsideItsColumnKeepsThePreviousValue) {
  // One past the last row of each column, a negative code and an absurd one.
  const int32_t lastRow[] = {7, 7, 7, 6, 9, 3};
  for (int i = 0; i < 6; ++i) {
    for (int32_t bad : {lastRow[i] + 1, -1, std::numeric_limits<int32_t>::max()}) {
      Settings s;
      NamingState n;
      s.op2 = {1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
      DeriveNameFormats(s, n);
      const QString before = DerivedFormat(n, i);
      const int32_t lengthBefore = n.FileTimeLength;
      s.op2[i] = bad;
      DeriveNameFormats(s, n);
      EXPECT_EQ(DerivedFormat(n, i), before) << "op2(" << i << ") = " << bad;
      EXPECT_EQ(n.FileTimeLength, lengthBefore) << "op2(" << i << ") = " << bad;
    }
  }
}

TEST(DeriveNameFormats, BitDepthPerOutput) {
  struct Case {
    int32_t option;
    int32_t expected;  // from a previous depth of 8 for "unchanged"
  };
  const Case cases[] = {{0, 24}, {1, 8}, {2, 8}, {-1, 8}, {24, 8}};
  for (std::size_t out = 0; out < 5; ++out) {
    for (const auto& c : cases) {
      Settings s;
      NamingState n;
      n.BitsPerPixel.fill(8);
      s.op3[8 + out] = c.option;
      DeriveNameFormats(s, n);
      EXPECT_EQ(n.BitsPerPixel[out], c.expected) << "op3(" << 8 + out << ") = " << c.option;
      // The other outputs follow their own option (0 = 24 bits).
      for (std::size_t other = 0; other < 5; ++other) {
        if (other != out) {
          EXPECT_EQ(n.BitsPerPixel[other], 24);
        }
      }
    }
  }
}

TEST(DeriveNameFormats, PictureAngleFromTurnOption) {
  struct Case {
    int32_t turn;
    int32_t expected;  // previous angle 4500 when the turn is refused
  };
  const Case cases[] = {{0, 0},
                        {1, 9000},
                        {2, 18000},
                        {3, 27000},
                        {4, 36000},
                        {5, 4500},
                        {-1, 4500},
                        {std::numeric_limits<int32_t>::max(), 4500},
                        {std::numeric_limits<int32_t>::min(), 4500}};
  for (const auto& c : cases) {
    Settings s;
    NamingState n;
    s.PictureAngle = 4500;
    s.op3[18] = c.turn;
    DeriveNameFormats(s, n);
    EXPECT_EQ(s.PictureAngle, c.expected) << "op3(18) = " << c.turn;
  }
}

// ---- BuildHistoryNames and the full paths -------------------------------------------------------------

struct NamesCase {
  const char* name;
  std::function<void(Settings&)> setup;
  QDateTime moment;
  QString networkPath, histPath, subImage, subThumb, baseName, imagePath, thumbPath;
  std::array<QString, 3> livePaths;
};

const QDateTime kExampleMoment(QDate(1999, 6, 29), QTime(13, 45, 27));

Settings LiveNames() {
  Settings s;
  s.LiFiName = {QStringLiteral("tovra.jpg"), QStringLiteral("tovra_.jpg"), QStringLiteral("tovra_50.jpg")};
  return s;
}

TEST(BuildHistoryNames, WorkedExamplesAndVariants) {
  const std::vector<NamesCase> cases = {
      {"first start: live and history in one folder",
       [](Settings& s) {
         s.NetworkPath = "/srv/live";
         s.histPath = "/srv/live";
       },
       kExampleMoment,
       "/srv/live/",
       "/srv/live/",
       "",
       "",
       "134",
       "/srv/live/1340.jpg",
       "/srv/live/1340_.jpg",
       {"/srv/live/tovra.jpg", "/srv/live/tovra_.jpg", "/srv/live/tovra_50.jpg"}},
      {"dated folders, hour folder, head",
       [](Settings& s) {
         s.op2[0] = 2;
         s.op2[1] = 7;
         s.op2[2] = 0;
         s.op2[3] = 1;
         s.histDirHead1[0] = "d";
         s.histDirFoot1[1] = "s";
         s.histDirFoot2[0] = "h";
         s.HiFileHead[0] = "cam";
         s.HiFileFoot = {"", "_"};
         s.histPath = "/mnt/pub/hist";
       },
       kExampleMoment,
       "",
       "/mnt/pub/hist/",
       "d990629/13h/",
       "d990629s/13h/",
       "cam134527",
       "/mnt/pub/hist/d990629/13h/cam134527.jpg",
       "/mnt/pub/hist/d990629s/13h/cam134527_.jpg",
       {"tovra.jpg", "tovra_.jpg", "tovra_50.jpg"}},
      {"a dot in the head cuts the base name",
       [](Settings& s) {
         s.op2[3] = 1;
         s.HiFileHead[0] = "cam.x";
         s.histPath = "/h/";
       },
       kExampleMoment,
       "",
       "/h/",
       "",
       "",
       "cam",
       "/h/cam0.jpg",
       "/h/cam0_.jpg",
       {"tovra.jpg", "tovra_.jpg", "tovra_50.jpg"}},
      {"a path ending in a colon gets a separator too",
       [](Settings& s) { s.NetworkPath = "C:"; },
       kExampleMoment,
       "C:/",
       "",
       "",
       "",
       "134",
       "1340.jpg",
       "1340_.jpg",
       {"C:/tovra.jpg", "C:/tovra_.jpg", "C:/tovra_50.jpg"}},
      {"hour folder is the hour, never a date",
       [](Settings& s) {
         s.op2[1] = 7;
         s.op2[3] = 0;
       },
       QDateTime(QDate(2026, 12, 6), QTime(8, 0, 0)),
       "",
       "",
       "08/",
       "08/",
       "",
       "08/0.jpg",
       "08/0_.jpg",
       {"tovra.jpg", "tovra_.jpg", "tovra_50.jpg"}},
      {"day folder for contrast, own thumbnail level 2",
       [](Settings& s) {
         s.op2[1] = 6;
         s.op2[3] = 0;
         s.histDirHead2[0] = "D";
         s.histDirFoot2[1] = "t";
       },
       QDateTime(QDate(2026, 12, 6), QTime(8, 0, 0)),
       "",
       "",
       "D06/",
       "D06t/",
       "",
       "D06/0.jpg",
       "D06t/0_.jpg",
       {"tovra.jpg", "tovra_.jpg", "tovra_50.jpg"}},
      {"undated folder made of head and foot only",
       [](Settings& s) {
         s.histDirHead1[0] = "cam";
         s.histDirFoot1[0] = "1";
         s.histDirFoot2[1] = "thumbs";
         s.op2[3] = 0;
         s.HiFileHead[0] = "x";
       },
       kExampleMoment,
       "",
       "",
       "cam1/",
       "cam1/thumbs/",
       "x",
       "cam1/x0.jpg",
       "cam1/thumbs/x0_.jpg",
       {"tovra.jpg", "tovra_.jpg", "tovra_50.jpg"}},
      {"date and ten-second time in the file name, separator already there",
       [](Settings& s) {
         s.op2[2] = 1;
         s.op2[3] = 2;
         s.histPath = "/var/hist/";
         s.NetworkPath = "/var/live/";
       },
       kExampleMoment,
       "/var/live/",
       "/var/hist/",
       "",
       "",
       "1999062913452",
       "/var/hist/19990629134520.jpg",
       "/var/hist/19990629134520_.jpg",
       {"/var/live/tovra.jpg", "/var/live/tovra_.jpg", "/var/live/tovra_50.jpg"}},
      {"date only, no time",
       [](Settings& s) {
         s.op2[2] = 5;
         s.op2[3] = 0;
         s.HiFileHead[0] = "img";
       },
       kExampleMoment,
       "",
       "",
       "",
       "",
       "img0629",
       "img06290.jpg",
       "img06290_.jpg",
       {"tovra.jpg", "tovra_.jpg", "tovra_50.jpg"}},
      {"midnight: a new day's folder and 0h",
       [](Settings& s) {
         s.op2[0] = 1;
         s.op2[3] = 5;
         s.histPath = "/h";
       },
       QDateTime(QDate(1999, 6, 30), QTime(0, 0, 0)),
       "",
       "/h/",
       "19990630/",
       "19990630/",
       "00",
       "/h/19990630/000.jpg",
       "/h/19990630/000_.jpg",
       {"tovra.jpg", "tovra_.jpg", "tovra_50.jpg"}},
  };

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s = LiveNames();
    c.setup(s);
    NamingState n;
    DeriveNameFormats(s, n);
    const ManualClock clock(c.moment);
    BuildHistoryNames(s, n, clock);
    EXPECT_EQ(s.NetworkPath, c.networkPath);
    EXPECT_EQ(s.histPath, c.histPath);
    EXPECT_EQ(n.HistorySubPath[0], c.subImage);
    EXPECT_EQ(n.HistorySubPath[1], c.subThumb);
    EXPECT_EQ(n.HistoryBaseName, c.baseName);
    EXPECT_EQ(HistoryImagePath(s, n), c.imagePath);
    EXPECT_EQ(HistoryThumbnailPath(s, n), c.thumbPath);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(LiveOutputPath(s, i), c.livePaths[i]) << "live output " << i;
  }
}

TEST(BuildHistoryNames, RunningTwiceAddsNoSecondSeparator) {
  Settings s;
  s.NetworkPath = "/srv/live";
  s.histPath = "rel/hist";
  NamingState n;
  DeriveNameFormats(s, n);
  const ManualClock clock;
  BuildHistoryNames(s, n, clock);
  BuildHistoryNames(s, n, clock);
  EXPECT_EQ(s.NetworkPath, "/srv/live/");
  EXPECT_EQ(s.histPath, "rel/hist/");
}

TEST(BuildHistoryNames, OneReadingAcrossMidnight) {
  // The clock turns midnight between two readings: folder and file name must still tell the same moment.
  Settings s;
  s.op2[0] = 1;  // yyyymmdd folder
  s.op2[1] = 7;  // hour folder
  s.op2[2] = 1;  // yyyymmdd in the name
  s.op2[3] = 1;  // hhnnss in the name
  NamingState n;
  DeriveNameFormats(s, n);
  const SequenceClock clock(
      {QDateTime(QDate(1999, 6, 29), QTime(23, 59, 59)), QDateTime(QDate(1999, 6, 30), QTime(0, 0, 0))});
  BuildHistoryNames(s, n, clock);
  EXPECT_EQ(clock.Reads(), 1u);
  EXPECT_EQ(n.HistorySubPath[0], "19990629/23/");
  EXPECT_EQ(n.HistoryBaseName, "19990629235959");
}

TEST(LiveOutputPath, IndexOutsideTheLiveOutputsGivesNothing) {
  Settings s = LiveNames();
  s.NetworkPath = "/srv/live/";
  EXPECT_EQ(LiveOutputPath(s, -1), "");
  EXPECT_EQ(LiveOutputPath(s, 3), "");
}

// ---- NextHistoryTime ----------------------------------------------------------------------------------

struct NextCase {
  const char* now;
  int32_t interval;
  int32_t k;
  const char* expected;
};

TEST(NextHistoryTime, WorkedExamplesEveryResolutionAndMidnight) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const NextCase cases[] = {
      // k = 0 and 6: plain addition.
      {"134527", 300, 0, "135027"},
      {"134527", 300, 6, "135027"},
      {"235959", 1, 6, "000000"},
      {"235800", 300, 0, "000300"},
      // k = 5: next ten seconds.
      {"134527", 300, 5, "135030"},
      {"134520", 10, 5, "134530"},
      {"235955", 1, 5, "000000"},
      // k = 4: next minute, addend 60.
      {"134500", 60, 4, "134700"},
      {"134527", 60, 4, "134700"},
      {"134527", 300, 4, "135100"},
      // k = 3: next ten minutes.
      {"134527", 300, 3, "135000"},
      {"135000", 600, 3, "140000"},
      {"235527", 300, 3, "000000"},
      // k = 2: next hour.
      {"235959", 300, 2, "000000"},
      {"134527", 300, 2, "140000"},
      // k = 1: next ten-hour boundary, interval ignored.
      {"134527", 300, 1, "200000"},
      {"050000", 300, 1, "100000"},
      {"210000", 300, 1, "000000"},
      {"000000", kMax, 1, "100000"},
      // Negative intervals floor towards the past.
      {"134527", -27, 6, "134500"},
      {"000000", -1, 6, "235959"},
      {"134527", -100, 5, "134350"},
      // Intervals at the ends of int32.
      {"000000", kMax, 6, "031407"},
      {"000000", kMin, 6, "204552"},
      {"000000", kMax, 4, "031500"},
      // A malformed time counts the unreadable field as zero.
      {"xx4527", 300, 6, "005027"},
      {"", 300, 6, "000500"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(NextHistoryTime(c.now, c.interval, c.k), c.expected)
        << c.now << " + " << c.interval << " at k = " << c.k;
}

TEST(NextHistoryTime, AnyIntervalGivesATimeOfDayOnTheResolution) {
  const QRegularExpression timeOfDay(QStringLiteral("^([01][0-9]|2[0-3])[0-5][0-9][0-5][0-9]$"));
  const int32_t intervals[] = {
      std::numeric_limits<int32_t>::min(), -86401, -32768, -1, 0, 1, 9999, 32767, 32768, 86400 * 365,
      std::numeric_limits<int32_t>::max()};
  const char* nows[] = {"000000", "134527", "235959", "995999"};
  for (int32_t k = -1; k <= 7; ++k) {
    for (int32_t interval : intervals) {
      for (const char* now : nows) {
        const QString next = NextHistoryTime(now, interval, k);
        ASSERT_TRUE(timeOfDay.match(next).hasMatch())
            << now << " + " << interval << " at k = " << k << ": " << next.toStdString();
        if (k >= 1 && k <= 5) {
          EXPECT_EQ(next.mid(k), QString(6 - k, u'0')) << now << " + " << interval << " at k = " << k;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorvin
