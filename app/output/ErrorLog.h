#pragma once
// The error log "Qv_error.log" in the current working folder: one appended line per trapped failure, and
// MakePath, which creates every missing level of an output folder.

#include "Clock.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace quorvin {

// Stable error codes written into the log, one per kind of failure. Never renumber: operators grep logs.
enum class ErrorCode : int {
  Unknown = 1,
  // File system
  PathNotFound = 10,      // a folder of the path does not exist
  PermissionDenied = 11,  // the folder or file may not be written
  DiskFull = 12,          // no space left on the device
  FileIo = 13,            // any other read or write failure
  BadFileName = 14,       // the name cannot be a file name
  AlreadyExists = 15,     // something else stands where a folder (or a file to replace) must be
  ProbeFailed = 16,       // the existence test of a folder failed (unreachable mount)
  // Images
  NoImage = 20,         // a slot holds no image
  ImageOperation = 21,  // a pixel operation failed
  JpegEncode = 22,      // JPEG encoding failed
  ImageLoad = 23,       // an image file could not be read
  // Capture
  GrabFailed = 30,  // the capture control returned no frame
  NoFrame = 31,     // the device delivered no frame in time
  NoDevice = 32,    // no capture device is connected
  // Scanner-class sources
  TwainInit = 40,
  TwainNoSource = 41,
  TwainAcquire = 42,
  // Settings
  SettingUnknown = 50,  // a setting the recorder does not know; its default is used instead
  // Health
  LiveCapturesStale = 60,      // no live capture has succeeded for three live intervals
  LiveCapturesRecovered = 61,  // a live capture succeeded again after that
};

// The code of a failed system call, from its errno.
ErrorCode ErrorCodeFromErrno(int err);

inline constexpr char kErrorLogName[] = "Qv_error.log";

// Appends one line: short date of QLocale(), blank, time "HH:mm:ss", blanks to the next 14-column zone (a
// full zone when the text ends exactly on one), message, the code with a blank before (a "-" when negative)
// and after, CR LF; UTF-8. A log that cannot be written, or a name that is not a regular file, loses the
// line without blocking; the caller goes on. The line also goes to standard error, where a service
// manager's journal keeps it, followed by `reason`: why, in words (the path and the system's error text,
// the device). Inside an ErrorLogCycle, lasting repeats are summarised instead (RepeatLimiter).
void AppendErrorLog(const QString& message, int code, const QString& reason,
                    const Clock& clock = SystemClock::Instance());
inline void AppendErrorLog(const QString& message, ErrorCode code, const QString& reason,
                           const Clock& clock = SystemClock::Instance()) {
  AppendErrorLog(message, static_cast<int>(code), reason, clock);
}

// Keeps a lasting fault from growing the log without bound. A line (message and code) that every cycle of
// its kind writes again is written kWrittenInARow times; after that its repeats are only counted, and one
// summary line per kSummarySeconds says how many there were. The first cycle of that kind without the
// line ends the fault: a last summary line says it cleared.
class RepeatLimiter {
 public:
  static constexpr int kWrittenInARow = 10;
  static constexpr qint64 kSummarySeconds = 3600;

 private:
  friend class ErrorLogCycle;
  struct Streak {
    int kind = 0;
    int written = 0;
    qint64 counted = 0;  // repeats since the last summary
    QDateTime since;     // start of the summary period
    QString reason;      // of the last repeat
    bool seen = false;   // in the running cycle
  };
  std::map<std::pair<QString, int>, Streak> streaks_;
};

// One capture cycle of a kind (live, history): every line appended while it lives passes through the
// limiter. Cycles do not overlap; a line outside any cycle is always written.
class ErrorLogCycle {
 public:
  ErrorLogCycle(RepeatLimiter& limiter, int kind, const Clock& clock);
  ~ErrorLogCycle();
  ErrorLogCycle(const ErrorLogCycle&) = delete;
  ErrorLogCycle& operator=(const ErrorLogCycle&) = delete;

  void Append(const QDateTime& now, const QString& message, int code, const QString& reason);

 private:
  RepeatLimiter& limiter_;
  int kind_;
  const Clock& clock_;
  ErrorLogCycle* outer_;
};

// The failures this process has logged so far: every line but the note of a setting replaced by its
// default and the one that says live captures succeed again, repeats the limiter only counts included. A
// one-shot run compares the count before and after its captures.
int64_t FailuresLogged();
// Hears of every line this process appends to the error log while it lives, also of a line the log could
// not take or a repeat only counted: the health record counts failures from them. Lines come on the thread
// that logs, the program's one thread.
class ErrorLogListener {
 public:
  using Heard = std::function<void(int code, const QString& line)>;  // the line without its CR LF
  explicit ErrorLogListener(Heard heard);
  ~ErrorLogListener();
  ErrorLogListener(const ErrorLogListener&) = delete;
  ErrorLogListener& operator=(const ErrorLogListener&) = delete;

 private:
  friend class ErrorLogListeners;
  Heard heard_;
};

// Creates each missing folder level of a path that ends in "/"; the text after the last "/" is never
// created. Failures are logged ("cannot makeing path  " + path, code from errno, the level and the system's
// text as the reason) and the next level is tried; an existence test that fails for another reason than
// "not there" first logs an empty message with ProbeFailed.
void MakePath(const QString& path, const Clock& clock = SystemClock::Instance());

}  // namespace quorvin
