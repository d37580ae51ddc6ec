#include "StampText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace quorvin {
namespace {

using test::SequenceClock;
const QDateTime kMoment(QDate(2026, 12, 6), QTime(14, 5, 9));

TEST(FormatClock, Letters) {
  struct Case {
    QDateTime moment;
    QString pattern;
    QString expected;
  };
  const QDateTime midnight(QDate(2000, 1, 2), QTime(0, 0, 0));
  const std::vector<Case> cases = {
      {kMoment, "yyyymmdd", "20261206"},
      {kMoment, "yymmdd", "261206"},
      {kMoment, "yyyy-mm-dd", "2026-12-06"},
      {kMoment, "hhnnss", "140509"},
      {kMoment, "hh:nn:ss", "14:05:09"},
      {kMoment, "hh", "14"},
      // Single letters drop the leading zero; y alone is the day of the year.
      {kMoment, "m/d h:n:s", "12/6 14:5:9"},
      {kMoment, "y", "340"},
      // Runs are read greedily.
      {kMoment, "yyy", "26340"},
      {kMoment, "hhh", "1414"},
      {kMoment, "ddddd", "06066"},
      // Everything else is copied, upper-case letters included.
      {kMoment, " ", " "},
      {kMoment, "YYYY HH", "YYYY HH"},
      {kMoment, "", ""},
      {kMoment, QString::fromUtf8("年yyyy"), QString::fromUtf8("年2026")},
      // A separator that is a pattern letter is formatted.
      {kMoment, "yyyydmmddd", "2026612066"},
      {midnight, "yyyymmdd hhnnss", "20000102 000000"},
      {midnight, "yy", "00"},
      {QDateTime(QDate(2009, 1, 1), QTime(9, 9, 9)), "yy y", "09 1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatClock(c.moment, c.pattern), c.expected) << c.pattern.toStdString();
}

TEST(InsertSeparators, BetweenDifferingNeighbours) {
  struct Case {
    QString pattern, separator, expected;
  };
  const std::vector<Case> cases = {
      {"yyyymmdd", "-", "yyyy-mm-dd"},
      {"hhnnss", ":", "hh:nn:ss"},
      {"hhnn", ":", "hh:nn"},
      {"hh", ":", "hh"},
      {"yymm", "/", "yy/mm"},
      {"yyyymmdd", "", "yyyymmdd"},
      {"hhnnss", "", "hhnnss"},
      {"", "-", ""},
      {" ", "-", " "},
      {"yyyymmdd", " / ", "yyyy / mm / dd"},
      {"mdm", ".", "m.d.m"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(InsertSeparators(c.pattern, c.separator), c.expected)
        << c.pattern.toStdString() << " with " << c.separator.toStdString();
}

TEST(ExpandLineBreaks, BackslashLowerCaseN) {
  struct Case {
    QString text, expected;
  };
  const std::vector<Case> cases = {
      {"Quorvin \\nv1", "Quorvin \r\nv1"},
      {"\\n\\n", "\r\n\r\n"},
      {"a\\nb\\nc", "a\r\nb\r\nc"},
      {"end\\", "end\\"},
      {"\\", "\\"},
      {"", ""},
      {"n\\N", "n\\N"},
      {"\\\\n", "\\\r\n"},
      {"\\n", "\r\n"},
      {"no breaks", "no breaks"},
  };
  for (const auto& c : cases) {
    QString text = c.text;
    ExpandLineBreaks(text);
    EXPECT_EQ(text, c.expected) << c.text.toStdString();
    EXPECT_EQ(text.size(), c.text.size());
  }
}

TEST(ComposeStampText, HeadDateTimeFoot) {
  struct Case {
    const char* name;
    std::function<void(Settings&, NamingState&)> setup;
    QString expected;
  };
  const QString version = QLatin1String(kVersionText);
  const std::vector<Case> cases = {
      {"defaults", [](Settings&, NamingState&) {}, "2026-12-06 14:05:09 Quorvin \r\n" + version},
      {"head, empty foot: the blank after the time stays",
       [](Settings& s, NamingState&) {
         s.stampHead = "Cam 1";
         s.stampFoot.clear();
       },
       "Cam 1 2026-12-06 14:05:09 "},
      {"no date format: the text starts with the time",
       [](Settings&, NamingState& n) { n.StampDateFormat.clear(); }, "14:05:09 Quorvin \r\n" + version},
      {"no date and no time format: head and foot only",
       [](Settings& s, NamingState& n) {
         s.stampHead = "H";
         s.stampFoot = "F";
         n.StampDateFormat.clear();
         n.StampTimeFormat.clear();
       },
       "H F"},
      {"the blank choice gives a blank part plus its blank",
       [](Settings& s, NamingState& n) {
         s.stampFoot = "F";
         n.StampDateFormat = " ";
         n.StampTimeFormat = " ";
       },
       "    F"},
      {"empty date separator", [](Settings& s, NamingState&) { s.stampDateSep.clear(); },
       "20261206 14:05:09 Quorvin \r\n" + version},
      {"shorter formats and other separators",
       [](Settings& s, NamingState& n) {
         s.stampDateSep = "/";
         s.stampTimeSep = "h";
         n.StampDateFormat = "yymm";
         n.StampTimeFormat = "hhnn";
         s.stampFoot.clear();
       },
       "26/12 141405 "},
      {"foot ending in a lone backslash keeps it", [](Settings& s, NamingState&) { s.stampFoot = "end\\"; },
       "2026-12-06 14:05:09 end\\"},
      {"two line breaks in a row", [](Settings& s, NamingState&) { s.stampFoot = "a\\n\\nb"; },
       "2026-12-06 14:05:09 a\r\n\r\nb"},
      {"a line break in the head is expanded too",
       [](Settings& s, NamingState&) {
         s.stampHead = "top\\n";
         s.stampFoot.clear();
       },
       "top\r\n 2026-12-06 14:05:09 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s;
    NamingState n;
    n.StampDateFormat = "yyyymmdd";
    n.StampTimeFormat = "hhnnss";
    c.setup(s, n);
    const test::ManualClock clock(kMoment);
    EXPECT_EQ(ComposeStampText(s, n, clock), c.expected);
  }
}

TEST(ComposeStampText, ReadsTheClockOnceSoDateAndTimeNeverStraddleMidnight) {
  Settings s;
  s.stampFoot.clear();
  NamingState n;
  n.StampDateFormat = "yyyymmdd";
  n.StampTimeFormat = "hhnnss";
  const SequenceClock clock(
      {QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59, 999)), QDateTime(QDate(2026, 12, 7), QTime(0, 0, 0))});
  EXPECT_EQ(ComposeStampText(s, n, clock), "2026-12-06 23:59:59 ");
  EXPECT_EQ(clock.Reads(), 1u);
}

}  // namespace
}  // namespace quorvin
