// The small value procedures the settings reader and the numeric boxes share.

#include "SettingsFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace quorvin;

TEST(SettingsValues, IntegerTextAcceptsOnlyAnOptionalMinusAndDigits) {
  struct Case {
    const char* text;
    bool expected;
  } cases[] = {{"", false},    {"-", false},   {"1.5", false}, {"+1", false},           {"0x1", false},
               {"1 2", false}, {" 1", false},  {"１", false},  {"-12", true},           {"007", true},
               {"0", true},    {"--1", false}, {"1-", false},  {"99999999999999", true}};
  for (const Case& c : cases) EXPECT_EQ(IsIntegerText(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(SettingsValues, TextValueCutsCommentTakesAfterFirstEqualsAndStripsOneQuotePair) {
  struct Case {
    const char* line;
    const char* value;
  } cases[] = {
      {"NetworkPath = C:\\live  'old", "C:\\live"},
      {"stampHead = \"A\"", "A"},
      {"stampHead = A\"", "A"},
      {"stampHead = \"\"", ""},
      {"stampHead = \"", ""},
      {"stampHead = \"\"A\"\"", "\"A\""},
      {"stampHead = \"it's\"", "it"},  // the apostrophe cuts even inside quotes
      {"LiFiName(0) = a=b.jpg", "a=b.jpg"},
      {"x =\t tab ", "\t tab"},  // only spaces are blanks
      {"no equals sign", "no equals sign"},
      {"k = ", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReadTextValue(QString::fromUtf8(c.line)), QString::fromUtf8(c.value)) << c.line;
}

TEST(SettingsValues, StrictIntegerValueRejectsEverythingButDigits) {
  EXPECT_EQ(ReadIntegerValue("ch1(3) ="), 0);
  EXPECT_EQ(ReadIntegerValue("ch1(3) = \"1\""), 1);
  EXPECT_EQ(ReadIntegerValue("inter(0) = -45 'comment"), -45);
  for (const char* bad :
       {"ch1(3) = +1", "ch1(3) = 1.0", "ch1(3) = 0x1", "ch1(3) = -", "ch1(3) = 1 2", "DevIndex = 1x"})
    EXPECT_FALSE(ReadIntegerValue(bad).has_value()) << bad;

  bool saturated = false;
  EXPECT_EQ(ReadIntegerValue("inter(1) = 99999999999999999999", &saturated),
            std::numeric_limits<int32_t>::max());
  EXPECT_TRUE(saturated);
  saturated = false;
  EXPECT_EQ(ReadIntegerValue("inter(1) = -2147483648", &saturated), std::numeric_limits<int32_t>::min());
  EXPECT_FALSE(saturated);
}

TEST(SettingsValues, GeneralIntegerReadsDecimalAndAmpersandHex) {
  struct Case {
    const char* text;
    std::optional<int32_t> expected;
  } cases[] = {
      {"&HFFFFFF", 16777215},
      {"&HFF", 255},
      {"&hff", 255},
      {"255", 255},
      {"&H0", 0},
      {"&HFFFFFFFF", -1},
      {"&H100000000", {}},
      {"&H", {}},
      {"&HXYZ", {}},
      {"", 0},
      {"-17", -17},
      {"+17", 17},
      {"2.5", 2},
      {"3.5", 4},
      {"-2.5", -2},
      {"abc", {}},
      {"12abc", {}},
      {"1e3", {}},
      {"nan", {}},
      {"inf", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseGeneralInteger(QString::fromUtf8(c.text)), c.expected) << c.text;

  bool saturated = false;
  EXPECT_EQ(ParseGeneralInteger("12345678901", &saturated), std::numeric_limits<int32_t>::max());
  EXPECT_TRUE(saturated);
}

TEST(SettingsValues, FloatsReadBackWhatIsWritten) {
  EXPECT_EQ(ParseFloat("0.3"), 0.3f);
  EXPECT_EQ(ParseFloat(""), 0.0f);
  EXPECT_EQ(ParseFloat("1e-2"), 0.01f);
  for (const char* bad : {"abc", "0,5", "nan", "inf", "1e99"})
    EXPECT_FALSE(ParseFloat(bad).has_value()) << bad;

  EXPECT_EQ(FormatFloat(1.0f), "1");
  EXPECT_EQ(FormatFloat(0.2f), "0.2");
  EXPECT_EQ(FormatFloat(0.5f), "0.5");
  for (float v : {0.33f, 1.0f / 3.0f, 123456.789f, 1e-7f, 3.4e38f, -0.25f})
    EXPECT_EQ(ParseFloat(FormatFloat(v)), v) << FormatFloat(v).toStdString();
}
