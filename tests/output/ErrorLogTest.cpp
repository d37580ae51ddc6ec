#include "ErrorLog.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <utility>
#include <vector>

namespace quorvin {
namespace {

using test::ReadAll;
using test::WriteAll;

const QString kNoMessage;
const QString kCannot = QStringLiteral("cannot makeing path  ");

class ErrorLogTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }
  void TearDown() override { QLocale::setDefault(previousLocale_); }

  QString LogPath() const { return folder_.File(QString::fromLatin1(kErrorLogName)); }
  bool LogExists() const { return QFileInfo::exists(LogPath()); }

  // The log's lines without their CR LF; every line must end in CR LF.
  QStringList Lines() const {
    const QByteArray bytes = ReadAll(LogPath());
    EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n"));
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    for (const auto& l : lines) EXPECT_FALSE(l.contains(u'\n') || l.contains(u'\r')) << l.toStdString();
    return lines;
  }

  // A line as written at 1999/06/29 12:34:56 under the Japanese short date.
  static QString Line(const QString& message, ErrorCode code) {
    const int c = static_cast<int>(code);
    return QStringLiteral("1999/06/29 12:34:56") + QString(9, u' ') + message + u' ' + QString::number(c) +
           u' ';
  }

  bool IsDir(const QString& relative) const { return QFileInfo(folder_.File(relative)).isDir(); }

  QLocale previousLocale_;
  test::WorkingFolder folder_;
  test::ManualClock clock_{QDateTime(QDate(1999, 6, 29), QTime(12, 34, 56))};
};

bool RunningAsRoot() {
  return ::geteuid() == 0;
}

// ---- AppendErrorLog -----------------------------------------------------------------------------------

TEST_F(ErrorLogTest, LineLayout) {
  struct Case {
    QString message;
    int code;
    QString tail;  // what follows the date, the time and the padding
  };
  const std::vector<Case> cases = {
      {"saveing3", 13, "saveing3 13 "},
      {"saveing", 0, "saveing 0 "},
      {"TWAIN error", -5, "TWAIN error-5 "},
      {"", 16, " 16 "},
      {QString::fromUtf8("カメラ"), 1, QString::fromUtf8("カメラ 1 ")},
  };
  for (const auto& c : cases) AppendErrorLog(c.message, c.code, {}, clock_);

  const QStringList lines = Lines();
  ASSERT_EQ(lines.size(), static_cast<qsizetype>(cases.size()));
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(lines[i], QStringLiteral("1999/06/29 12:34:56         ") + cases[i].tail) << i;
  // Written as UTF-8, whatever the locale's code page.
  EXPECT_TRUE(ReadAll(LogPath()).contains("\xe3\x82\xab\xe3\x83\xa1\xe3\x83\xa9 1 \r\n"));
}

TEST_F(ErrorLogTest, PaddingReachesTheNextPrintZoneWhateverTheDateLength) {
  struct Case {
    QLocale locale;
    QString prefix;  // short date + blank + time
    int blanks;
  };
  const std::vector<Case> cases = {
      {QLocale(QLocale::Japanese, QLocale::Japan), "1999/06/29 23:05:09", 9},
      {QLocale(QLocale::English, QLocale::UnitedStates), "6/29/99 23:05:09", 12},
      {QLocale(QLocale::German, QLocale::Germany), "29.06.99 23:05:09", 11},
      {QLocale::c(), "29 Jun 1999 23:05:09", 8},
  };
  // Late evening, so a 12-hour clock would show up.
  clock_.Set(1999, 6, 29, 23, 5, 9);
  for (const auto& c : cases) {
    QFile::remove(LogPath());
    QLocale::setDefault(c.locale);
    AppendErrorLog(QStringLiteral("m"), 2, {}, clock_);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], c.prefix + QString(c.blanks, u' ') + QStringLiteral("m 2 "))
        << c.prefix.toStdString();
    EXPECT_EQ(lines[0].indexOf(u'm') % 14, 0);
  }
}

TEST_F(ErrorLogTest, AppendsToWhatIsThere) {
  WriteAll(LogPath(), "older line\r\n");
  AppendErrorLog(QStringLiteral("saveing"), ErrorCode::FileIo, {}, clock_);
  AppendErrorLog(QStringLiteral("saveing3"), ErrorCode::DiskFull, {}, clock_);
  const QStringList lines = Lines();
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], "older line");
  EXPECT_EQ(lines[1], Line("saveing", ErrorCode::FileIo));
  EXPECT_EQ(lines[2], Line("saveing3", ErrorCode::DiskFull));
}

TEST_F(ErrorLogTest, UnwritableLogLosesTheLineAndReturns) {
  // A folder where the log should be: the line is lost, nothing else happens.
  ASSERT_TRUE(QDir(folder_.Path()).mkdir(QString::fromLatin1(kErrorLogName)));
  AppendErrorLog(QStringLiteral("saveing"), ErrorCode::FileIo, {}, clock_);
  EXPECT_TRUE(QDir(LogPath()).isEmpty());
}

TEST_F(ErrorLogTest, PipeInPlaceOfTheLogDoesNotBlock) {
  // With nobody reading, a blocking open would hang the scheduler for ever.
  const QByteArray fifo = LogPath().toLocal8Bit();
  ASSERT_EQ(::mkfifo(fifo.constData(), 0666), 0);
  AppendErrorLog(QStringLiteral("saveing"), ErrorCode::FileIo, {}, clock_);

  // With a reader, the line still does not go into something that is not a log file.
  const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  AppendErrorLog(QStringLiteral("saveing"), ErrorCode::FileIo, {}, clock_);
  char buffer[64];
  EXPECT_LE(::read(reader, buffer, sizeof buffer), 0);
  ::close(reader);
}

TEST(ErrorCodeFromErrno, EachKindOfFailureHasItsCode) {
  // clang-format off
  const std::pair<int, ErrorCode> cases[] = {
      {ENOENT, ErrorCode::PathNotFound}, {ENOTDIR, ErrorCode::PathNotFound},
      {EACCES, ErrorCode::PermissionDenied}, {EPERM, ErrorCode::PermissionDenied},
      {EROFS, ErrorCode::PermissionDenied}, {ENOSPC, ErrorCode::DiskFull}, {EDQUOT, ErrorCode::DiskFull},
      {EIO, ErrorCode::FileIo}, {ELOOP, ErrorCode::FileIo}, {ENAMETOOLONG, ErrorCode::BadFileName},
      {EINVAL, ErrorCode::BadFileName}, {EEXIST, ErrorCode::AlreadyExists}, {ESTALE, ErrorCode::ProbeFailed},
      {EHOSTDOWN, ErrorCode::ProbeFailed}, {0, ErrorCode::Unknown}, {123456, ErrorCode::Unknown},
  };
  // clang-format on
  for (const auto& [err, code] : cases)
    EXPECT_EQ(static_cast<int>(ErrorCodeFromErrno(err)), static_cast<int>(code)) << "errno " << err;
}

// ---- MakePath -----------------------------------------------------------------------------------------

TEST_F(ErrorLogTest, MakePathCreatesMissingLevelsButNeverTheLastPart) {
  struct Case {
    QString path;
    QStringList made;
    QStringList notMade;
  };
  const std::vector<Case> cases = {
      {"a/b/", {"a", "a/b"}, {}},
      {"c/d", {"c"}, {"c/d"}},
      {"e/f/g/", {"e", "e/f", "e/f/g"}, {}},
      {"lone", {}, {"lone"}},
      {"", {}, {}},
      {"h//i/", {"h", "h/i"}, {}},
  };
  for (const auto& c : cases) {
    MakePath(c.path, clock_);
    for (const auto& d : c.made) EXPECT_TRUE(IsDir(d)) << c.path.toStdString() << ": " << d.toStdString();
    for (const auto& d : c.notMade)
      EXPECT_FALSE(QFileInfo::exists(folder_.File(d))) << c.path.toStdString() << ": " << d.toStdString();
  }
  EXPECT_FALSE(LogExists());
}

TEST_F(ErrorLogTest, MakePathFromTheRoot) {
  // A leading "/" makes the root the first level examined; it exists, so only our levels are made.
  const QString path = folder_.Path() + QStringLiteral("/abs/x/");
  MakePath(path, clock_);
  EXPECT_TRUE(IsDir("abs/x"));
  MakePath(path, clock_);  // everything there now
  EXPECT_FALSE(LogExists());
}

TEST_F(ErrorLogTest, MakePathLogsOneLinePerLevelThatCannotBeMade) {
  // A file standing where a folder level must be fails for every user, root included.
  WriteAll(folder_.File("blocker"), "x");
  ASSERT_TRUE(QDir(folder_.Path()).mkpath("ok"));
  WriteAll(folder_.File("ok/blocker"), "x");

  struct Case {
    QString path;
    std::vector<ErrorCode> codes;
    bool needsPermissions;
  };
  std::vector<Case> cases = {
      {"blocker/", {ErrorCode::AlreadyExists}, false},
      {"blocker/x/y/", {ErrorCode::AlreadyExists, ErrorCode::PathNotFound, ErrorCode::PathNotFound}, false},
      {"ok/blocker/z/", {ErrorCode::AlreadyExists, ErrorCode::PathNotFound}, false},
      {"ro/a/b/", {ErrorCode::PermissionDenied, ErrorCode::PathNotFound}, true},
  };
  ASSERT_TRUE(QDir(folder_.Path()).mkdir("ro"));
  ASSERT_EQ(::chmod(folder_.File("ro").toLocal8Bit().constData(), 0555), 0);

  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    if (c.needsPermissions && RunningAsRoot()) continue;  // root writes into 0555 folders
    QFile::remove(LogPath());
    MakePath(c.path, clock_);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(c.codes.size()));
    for (std::size_t i = 0; i < c.codes.size(); ++i) EXPECT_EQ(lines[i], Line(kCannot + c.path, c.codes[i]));
  }
  ::chmod(folder_.File("ro").toLocal8Bit().constData(), 0755);
  EXPECT_FALSE(QFileInfo::exists(folder_.File("blocker/x")));
}

TEST_F(ErrorLogTest, MakePathProbeFailureLogsEmptyLineThenTriesToCreate) {
  // A link loop and an overlong name make the existence test fail for every user, root included.
  ASSERT_EQ(::symlink("loop", folder_.File("loop").toLocal8Bit().constData()), 0);
  const QString longName = QString(300, u'n') + u'/';
  ASSERT_TRUE(QDir(folder_.Path()).mkdir("locked"));

  struct Case {
    QString path;
    std::vector<std::pair<QString, ErrorCode>> lines;
    bool needsPermissions;
  };
  const std::vector<Case> cases = {
      {"loop/", {{kNoMessage, ErrorCode::ProbeFailed}, {kCannot + "loop/", ErrorCode::AlreadyExists}}, false},
      {"loop/a/",
       {{kNoMessage, ErrorCode::ProbeFailed},
        {kCannot + "loop/a/", ErrorCode::AlreadyExists},
        {kNoMessage, ErrorCode::ProbeFailed},
        {kCannot + "loop/a/", ErrorCode::FileIo}},
       false},
      {longName, {{kNoMessage, ErrorCode::ProbeFailed}, {kCannot + longName, ErrorCode::BadFileName}}, false},
      {"locked/in/",
       {{kNoMessage, ErrorCode::ProbeFailed}, {kCannot + "locked/in/", ErrorCode::PermissionDenied}},
       true},
  };
  ASSERT_EQ(::chmod(folder_.File("locked").toLocal8Bit().constData(), 0), 0);

  test::StderrCapture said;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.left(20).toStdString());
    if (c.needsPermissions && RunningAsRoot()) continue;  // root passes through mode 0
    QFile::remove(LogPath());
    MakePath(c.path, clock_);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(c.lines.size()));
    for (std::size_t i = 0; i < c.lines.size(); ++i)
      EXPECT_EQ(lines[i], Line(c.lines[i].first, c.lines[i].second)) << i;
  }
  ::chmod(folder_.File("locked").toLocal8Bit().constData(), 0755);
  // The empty message of a failed test says why on standard error, and so does each failed level.
  const QString text = said.Text();
  EXPECT_TRUE(text.contains(QStringLiteral(" 16: cannot test loop/: ") + qt_error_string(ELOOP)))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral(" 16: cannot test ") + longName + QStringLiteral(": ") +
                            qt_error_string(ENAMETOOLONG)));
  EXPECT_TRUE(text.contains(kCannot + longName + QStringLiteral(" 14: cannot make ") + longName));
}

}  // namespace
}  // namespace quorvin
