// The settings tool, run as the operator runs it.

#include "TestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

using quorvin::test::ReadAll;
using quorvin::test::WriteAll;

namespace {

struct ToolRun {
  int status;
  QString out;
  QString err;
};

ToolRun Tool(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(QUORVIN_SETTINGS_TOOL), args);
  EXPECT_TRUE(p.waitForFinished(30000));
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

TEST(SettingsTool, CheckStopsOnANonIntegerWithTheRecordersMessageAndLeavesTheFile) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("bad.ini"));
  const QByteArray bytes = "ch1(9) = 1\r\nDevIndex = 1x\r\n";
  WriteAll(file, bytes);
  const ToolRun r = Tool({QStringLiteral("check"), file});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(
      r.err.contains(QString::fromUtf8("INIファイルの数値データに不正な文字 「1x」 が混入しています。")))
      << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(file + QStringLiteral(":2:"))) << r.err.toStdString();
  EXPECT_EQ(ReadAll(file), bytes);
}

TEST(SettingsTool, CheckListsEachFindingWithItsLineAndPassesAStartableFile) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("ok.ini"));
  WriteAll(file, "Rezo(0) = 300\r\nch1(4) = 1\r\nch1(9) = 1\r\nch1(9) = 0\r\nZoom(1) = small\r\n");
  const ToolRun r = Tool({QStringLiteral("check"), file});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(file + QStringLiteral(":1: corrected on loading: Rezo(0): 300 -> 255")))
      << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(file + QStringLiteral(":2: unrecognised key, ignored: ch1(4)")));
  EXPECT_TRUE(r.out.contains(file + QStringLiteral(":4: repeated key: ch1(9)")));
  EXPECT_TRUE(r.out.contains(file + QStringLiteral(":5: not a number: Zoom(1)")));
}

TEST(SettingsTool, NormaliseWritesTheRecordersOwnFile) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("out.ini"));
  ToolRun r = Tool({QStringLiteral("normalise"), QStringLiteral("/nonexistent"), out});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QByteArray golden = ReadAll(QStringLiteral(QUORVIN_TEST_DATA "/default.ini"));
  const QByteArray written = ReadAll(out);
  // Everything after the header line (which holds the time of writing) is the default file.
  EXPECT_EQ(written.mid(written.indexOf("\r\n")), golden.mid(golden.indexOf("\r\n")));

  const QString in = dir.filePath(QStringLiteral("in.ini"));
  WriteAll(in, "interval(1).Text = 600\nZOOM(0) = 0.5\n");
  r = Tool({QStringLiteral("normalise"), in, out});
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(ReadAll(out).contains("\r\ninter(1) = 600 "));
  EXPECT_TRUE(ReadAll(out).contains("\r\nZoom(0) = 0.5 "));

  WriteAll(in, "DevIndex = x\r\n");
  const QByteArray before = ReadAll(out);
  EXPECT_EQ(Tool({QStringLiteral("normalise"), in, out}).status, 1);
  EXPECT_EQ(ReadAll(out), before);
  EXPECT_EQ(Tool({QStringLiteral("frobnicate")}).status, 2);
}
