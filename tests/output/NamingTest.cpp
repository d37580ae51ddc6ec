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
using test::SequenceClock;

// ---- DeriveNameFormats --------------------------------------------------------------------------------

QString DerivedFormat(const NamingState& n, int op2Index) {
  const QString* formats[] = {&n.FolderDateFormat1, &n.FolderDateFormat2, &n.FileDateFormat,
                              &n.FileTimeFormat,    &n.StampDateFormat,   &n.StampTimeFormat};
  return *formats[op2Index];
}

TEST(DeriveNameFormats, EveryCodeOfEveryColumnAndCodesOutsideIt) {
  // Column i lists the format of op2(i) for the codes 0, 1, 2...; one past the end, a negative code and an
  // absurd one must leave the previous value (here the format of code 1).
  // clang-format off
  const std::vector<std::vector<QString>> columns = {
      {"", "yyyymmdd", "yymmdd", "yymm", "yy", "mmdd", "mm", "dd"},
      {"", "yyyymmdd", "yymmdd", "yymm", "mmdd", "mm", "dd", "hh"},
      {"", "yyyymmdd", "yymmdd", "yymm", "yy", "mmdd", "mm", "dd"},
      {"", "hhnnss", "hhnnss", "hhnn", "hhnn", "hh", "hh"},
      {" ", "yyyymmdd", "yyyymm", "yyyy", "yymmdd", "yymm", "yy", "mmdd", "mm", "dd"},
      {" ", "hhnnss", "hhnn", "hh"},
  };
  // clang-format on
  const int32_t lengths[] = {0, 6, 5, 4, 3, 2, 1};
  for (int i = 0; i < 6; ++i) {
    const auto& column = columns[i];
    for (int32_t code = 0; code < static_cast<int32_t>(column.size()); ++code) {
      Settings s;
      NamingState n;
      s.op2[i] = code;
      DeriveNameFormats(s, n);
      EXPECT_EQ(DerivedFormat(n, i), column[code]) << "op2(" << i << ") = " << code;
      if (i == 3) {
        EXPECT_EQ(n.FileTimeLength, lengths[code]) << "op2(3) = " << code;
      }
    }
    const int32_t outside[] = {static_cast<int32_t>(column.size()), -1, std::numeric_limits<int32_t>::max()};
    for (int32_t bad : outside) {
      Settings s;
      NamingState n;
      s.op2[i] = 1;
      DeriveNameFormats(s, n);
      s.op2[i] = bad;
      DeriveNameFormats(s, n);
      EXPECT_EQ(DerivedFormat(n, i), column[1]) << "op2(" << i << ") = " << bad;
      if (i == 3) {
        EXPECT_EQ(n.FileTimeLength, 6) << "op2(3) = " << bad;
      }
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

const QDateTime kExample(QDate(1999, 6, 29), QTime(13, 45, 27));
const QDateTime kMorning(QDate(2026, 12, 6), QTime(8, 0, 0));
const QDateTime kMidnight(QDate(1999, 6, 30), QTime(0, 0, 0));

struct NamesCase {
  const char* name;
  std::function<void(Settings&)> setup;
  QDateTime moment;
  QString baseName, imagePath, thumbPath, liveImagePath;
};

TEST(BuildHistoryNames, WorkedExamplesAndVariants) {
  // Each case starts from the defaults: op2(3) = 4 (hhnn, 3 kept), feet "0" and "_", live "tovra.jpg".
  // clang-format off
  const std::vector<NamesCase> cases = {
      {"first start: live and history in one folder",
       [](Settings& s) { s.NetworkPath = s.histPath = "/srv/live"; },
       kExample, "134", "/srv/live/1340.jpg", "/srv/live/1340_.jpg", "/srv/live/tovra.jpg"},
      {"dated folders, hour folder, head",
       [](Settings& s) {
         s.op2[0] = 2; s.op2[1] = 7; s.op2[2] = 0; s.op2[3] = 1;
         s.histDirHead1[0] = "d"; s.histDirFoot1[1] = "s"; s.histDirFoot2[0] = "h";
         s.HiFileHead[0] = "cam"; s.HiFileFoot = {"", "_"}; s.histPath = "/mnt/pub/hist";
       },
       kExample, "cam134527", "/mnt/pub/hist/d990629/13h/cam134527.jpg",
       "/mnt/pub/hist/d990629s/13h/cam134527_.jpg", "tovra.jpg"},
      {"a dot in the head cuts the base name",
       [](Settings& s) { s.op2[3] = 1; s.HiFileHead[0] = "cam.x"; s.histPath = "/h/"; },
       kExample, "cam", "/h/cam0.jpg", "/h/cam0_.jpg", "tovra.jpg"},
      {"a path ending in a colon gets a separator too",
       [](Settings& s) { s.NetworkPath = "C:"; },
       kExample, "134", "1340.jpg", "1340_.jpg", "C:/tovra.jpg"},
      {"hour folder is the hour, never a date",
       [](Settings& s) { s.op2[1] = 7; s.op2[3] = 0; },
       kMorning, "", "08/0.jpg", "08/0_.jpg", "tovra.jpg"},
      {"day folder for contrast, own thumbnail level 2",
       [](Settings& s) { s.op2[1] = 6; s.op2[3] = 0; s.histDirHead2[0] = "D"; s.histDirFoot2[1] = "t"; },
       kMorning, "", "D06/0.jpg", "D06t/0_.jpg", "tovra.jpg"},
      {"undated folder made of head and foot only",
       [](Settings& s) {
         s.histDirHead1[0] = "cam"; s.histDirFoot1[0] = "1"; s.histDirFoot2[1] = "thumbs";
         s.op2[3] = 0; s.HiFileHead[0] = "x";
       },
       kExample, "x", "cam1/x0.jpg", "cam1/thumbs/x0_.jpg", "tovra.jpg"},
      {"date and ten-second time, separators already there",
       [](Settings& s) { s.op2[2] = 1; s.op2[3] = 2; s.histPath = "/var/hist/"; s.NetworkPath = "/var/live/"; },
       kExample, "1999062913452", "/var/hist/19990629134520.jpg", "/var/hist/19990629134520_.jpg",
       "/var/live/tovra.jpg"},
      {"date only, no time",
       [](Settings& s) { s.op2[2] = 5; s.op2[3] = 0; s.HiFileHead[0] = "img"; },
       kExample, "img0629", "img06290.jpg", "img06290_.jpg", "tovra.jpg"},
      {"midnight: a new day's folder and hour 00",
       [](Settings& s) { s.op2[0] = 1; s.op2[3] = 5; s.histPath = "/h"; },
       kMidnight, "00", "/h/19990630/000.jpg", "/h/19990630/000_.jpg", "tovra.jpg"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s;
    s.LiFiName = {QStringLiteral("tovra.jpg"), QStringLiteral("tovra_.jpg"), QStringLiteral("tovra_50.jpg")};
    c.setup(s);
    NamingState n;
    DeriveNameFormats(s, n);
    BuildHistoryNames(s, n, ManualClock(c.moment));
    EXPECT_EQ(n.HistoryBaseName, c.baseName);
    EXPECT_EQ(HistoryImagePath(s, n), c.imagePath);
    EXPECT_EQ(HistoryThumbnailPath(s, n), c.thumbPath);
    EXPECT_EQ(LiveOutputPath(s, 0), c.liveImagePath);
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
  Settings s;
  s.NetworkPath = "/srv/live/";
  s.LiFiName = {"a", "b", "c"};
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
  // clang-format off
  const NextCase cases[] = {
      // k = 0 and 6: plain addition.
      {"134527", 300, 0, "135027"}, {"134527", 300, 6, "135027"}, {"235959", 1, 6, "000000"},
      {"235800", 300, 0, "000300"},
      // k = 5: next ten seconds.
      {"134527", 300, 5, "135030"}, {"134520", 10, 5, "134530"}, {"235955", 1, 5, "000000"},
      // k = 4: next minute, addend 60.
      {"134500", 60, 4, "134700"}, {"134527", 60, 4, "134700"}, {"134527", 300, 4, "135100"},
      // k = 3: next ten minutes.
      {"134527", 300, 3, "135000"}, {"135000", 600, 3, "140000"}, {"235527", 300, 3, "000000"},
      // k = 2: next hour.
      {"235959", 300, 2, "000000"}, {"134527", 300, 2, "140000"},
      // k = 1: next ten-hour boundary, interval ignored.
      {"134527", 300, 1, "200000"}, {"050000", 300, 1, "100000"}, {"210000", 300, 1, "000000"},
      {"000000", kMax, 1, "100000"},
      // Negative intervals floor towards the past.
      {"134527", -27, 6, "134500"}, {"000000", -1, 6, "235959"}, {"134527", -100, 5, "134350"},
      // Intervals at the ends of int32.
      {"000000", kMax, 6, "031407"}, {"000000", kMin, 6, "204552"}, {"000000", kMax, 4, "031500"},
      // A malformed time counts the unreadable field as zero.
      {"xx4527", 300, 6, "005027"}, {"", 300, 6, "000500"},
  };
  // clang-format on
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

TEST(NextHistoryTime, NeverLiesFurtherAheadThanTheLongestWait) {
  // The scheduler takes a next time beyond the longest wait for a clock set back: a plan that went beyond
  // it without a step would lose a capture. The worst cases lie at the start of an hour.
  constexpr int kDay = 24 * 3600;
  for (int32_t k = 0; k <= 6; ++k) {
    for (int32_t interval : {1, 59, 60, 541, 600, 3599, 3600, 9999}) {
      for (int h : {0, 10, 13, 23}) {
        for (int t = h * 3600; t < h * 3600 + 11 * 60; ++t) {
          const QString next =
              NextHistoryTime(QString::asprintf("%02d%02d%02d", t / 3600, t / 60 % 60, t % 60), interval, k);
          const int planned = next.left(2).toInt() * 3600 + next.mid(2, 2).toInt() * 60 + next.mid(4).toInt();
          ASSERT_LE((planned - t + kDay) % kDay, LongestHistoryWait(interval, k))
              << t << " + " << interval << " at k = " << k;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorvin
