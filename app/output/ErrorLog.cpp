#include "ErrorLog.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QLoggingCategory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace quorvin {

namespace {

Q_LOGGING_CATEGORY(lcOutput, "quorvin.output")

constexpr int kPrintZone = 14;

}  // namespace

class ErrorLogListeners {
 public:
  static std::vector<ErrorLogListener*>& All() {
    static std::vector<ErrorLogListener*> listeners;
    return listeners;
  }
  static void Tell(int code, const QString& line) {
    // A copy: a listener may end another one while it hears.
    const std::vector<ErrorLogListener*> listeners = All();
    for (ErrorLogListener* l : listeners) l->heard_(code, line);
  }
};

namespace {

QString DateAndTime(const QDateTime& now) {
  return QLocale().toString(now.date(), QLocale::ShortFormat) + u' ' + now.time().toString(u"HH:mm:ss");
}

QString LogLine(const QDateTime& now, const QString& message, int code) {
  QString line = DateAndTime(now);
  // The message starts in the next print zone; a text that fills its zone exactly still gets a full zone of
  // blanks, so the message never runs into the time.
  line += QString(kPrintZone - line.size() % kPrintZone, u' ');
  line += message;
  if (code >= 0) line += u' ';
  line += QString::number(code) + u' ';
  line += QLatin1String("\r\n");
  return line;
}

// Writes the whole buffer or gives up; a short write (full disk) ends it.
bool WriteAll(int fd, const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

bool IsDirectory(const QByteArray& path, int& err) {
  struct stat st {};
  if (::stat(path.constData(), &st) == 0) {
    err = 0;
    return S_ISDIR(st.st_mode);
  }
  err = errno;
  return false;
}

}  // namespace

ErrorCode ErrorCodeFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return ErrorCode::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return ErrorCode::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
      return ErrorCode::DiskFull;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return ErrorCode::BadFileName;
    case EEXIST:
      return ErrorCode::AlreadyExists;
    case ESTALE:
    case ENOTCONN:
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ECONNREFUSED:
      return ErrorCode::ProbeFailed;
    case EIO:
    case EISDIR:
    case ELOOP:
    case EMLINK:
    case EBUSY:
    case EFBIG:
    case ETXTBSY:
      return ErrorCode::FileIo;
    default:
      return ErrorCode::Unknown;
  }
}

namespace {

ErrorLogCycle* activeCycle = nullptr;
int64_t failuresLogged = 0;

// The file's line, and on standard error the same with the reason.
void WriteLine(const QDateTime& now, const QString& message, int code, const QString& reason) {
  QString said = QStringLiteral("error log: ") + DateAndTime(now) + u' ';
  if (!message.isEmpty()) said += message + u' ';
  said += QString::number(code);
  if (!reason.isEmpty()) said += QStringLiteral(": ") + reason;
  const QByteArray text = (said + u'\n').toUtf8();
  std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
  std::fflush(stderr);

  const QByteArray bytes = LogLine(now, message, code).toUtf8();
  // Non-blocking open: a FIFO or a device squatting on the log's name must not hang the scheduler.
  int fd;
  do {
    fd = ::open(kErrorLogName, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int err = errno;
    qCWarning(lcOutput) << "error log not written:" << qt_error_string(err);
    return;
  }
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!regular) {
    qCWarning(lcOutput) << "error log not written: not a regular file";
  } else if (!WriteAll(fd, bytes)) {
    const int err = errno;
    qCWarning(lcOutput) << "error log not written:" << qt_error_string(err);
  }
  ::close(fd);
}

QString Repeated(const QString& message, qint64 count, bool cleared) {
  QString text = message.isEmpty() ? QString() : message + u' ';
  if (count == 0) return text + QStringLiteral("(cleared)");
  text += QStringLiteral("(repeated %1 more times").arg(count);
  return text + (cleared ? QStringLiteral(", then cleared)") : QStringLiteral(")"));
}

}  // namespace

int64_t FailuresLogged() {
  return failuresLogged;
}

ErrorLogListener::ErrorLogListener(Heard heard) : heard_(std::move(heard)) {
  ErrorLogListeners::All().push_back(this);
}

ErrorLogListener::~ErrorLogListener() {
  auto& all = ErrorLogListeners::All();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void AppendErrorLog(const QString& message, int code, const QString& reason, const Clock& clock) {
  if (code != static_cast<int>(ErrorCode::SettingUnknown) &&
      code != static_cast<int>(ErrorCode::LiveCapturesRecovered))
    ++failuresLogged;
  const QDateTime now = clock.Now();
  // Heard before the write, and also when a repeat is only counted or the log cannot be written: every
  // failure stays on record.
  ErrorLogListeners::Tell(code, LogLine(now, message, code).chopped(2));
  if (activeCycle)
    activeCycle->Append(now, message, code, reason);
  else
    WriteLine(now, message, code, reason);
}

ErrorLogCycle::ErrorLogCycle(RepeatLimiter& limiter, int kind, const Clock& clock)
    : limiter_(limiter), kind_(kind), clock_(clock), outer_(activeCycle) {
  activeCycle = this;
}

ErrorLogCycle::~ErrorLogCycle() {
  activeCycle = outer_;
  const QDateTime now = clock_.Now();
  auto& streaks = limiter_.streaks_;
  for (auto it = streaks.begin(); it != streaks.end();) {
    RepeatLimiter::Streak& s = it->second;
    if (s.kind != kind_ || s.seen) {
      if (s.kind == kind_) s.seen = false;
      ++it;
      continue;
    }
    if (s.written >= RepeatLimiter::kWrittenInARow)
      WriteLine(now, Repeated(it->first.first, s.counted, true), it->first.second, {});
    it = streaks.erase(it);
  }
}

void ErrorLogCycle::Append(const QDateTime& now, const QString& message, int code, const QString& reason) {
  RepeatLimiter::Streak& s = limiter_.streaks_[{message, code}];
  s.kind = kind_;
  s.seen = true;
  if (s.written < RepeatLimiter::kWrittenInARow) {
    ++s.written;
    const bool last = s.written == RepeatLimiter::kWrittenInARow;
    WriteLine(now, message, code,
              last ? reason + QStringLiteral(" (%1 times in a row; further repeats are counted hourly)")
                                  .arg(RepeatLimiter::kWrittenInARow)
                   : reason);
    if (last) s.since = now;
    return;
  }
  ++s.counted;
  s.reason = reason;
  if (now < s.since) s.since = now;  // the clock went back: the hour counts from here
  if (s.since.secsTo(now) < RepeatLimiter::kSummarySeconds) return;
  WriteLine(now, Repeated(message, s.counted, false), code, s.reason);
  s.counted = 0;
  s.since = now;
}

void MakePath(const QString& path, const Clock& clock) {
  const QString failure = QStringLiteral("cannot makeing path  ") + path;
  qsizetype start = 0;  // index just after the last separator examined
  for (;;) {
    const qsizetype slash = path.indexOf(u'/', start);
    if (slash < 0) return;  // the text after the last separator is a file name, never a folder
    const QByteArray prefix = path.left(slash + 1).toLocal8Bit();
    start = slash + 1;

    int probeErr = 0;
    if (IsDirectory(prefix, probeErr)) continue;
    const QString level = QString::fromLocal8Bit(prefix);
    if (probeErr != 0 && probeErr != ENOENT && probeErr != ENOTDIR)
      AppendErrorLog(QString(), ErrorCode::ProbeFailed,
                     QStringLiteral("cannot test %1: %2").arg(level, qt_error_string(probeErr)), clock);

    if (::mkdir(prefix.constData(), 0777) == 0) continue;
    const int err = errno;
    int recheckErr = 0;
    // Someone else may have made it between the test and the creation: that is what we wanted.
    if (err == EEXIST && IsDirectory(prefix, recheckErr)) continue;
    AppendErrorLog(failure, ErrorCodeFromErrno(err),
                   QStringLiteral("cannot make %1: %2").arg(level, qt_error_string(err)), clock);
  }
}

}  // namespace quorvin
