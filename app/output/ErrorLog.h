#pragma once
// The error log "Qv_error.log" in the current working folder: one appended line per trapped failure, and
// MakePath, which creates every missing level of an output folder.

#include "Clock.h"

#include <QString>

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
  AlreadyExists = 15,     // something that is not a folder stands where a folder must be made
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
};

// The code of a failed system call, from its errno.
ErrorCode ErrorCodeFromErrno(int err);

inline constexpr char kErrorLogName[] = "Qv_error.log";

// Appends one line: short date of QLocale(), blank, time "HH:mm:ss", blanks to the next 14-column zone (a
// full zone when the text ends exactly on one), message, the code with a blank before (a "-" when negative)
// and after, CR LF; UTF-8. A log that cannot be written, or a name that is not a regular file, loses the
// line without blocking; the caller goes on.
void AppendErrorLog(const QString& message, int code, const Clock& clock = SystemClock::Instance());
inline void AppendErrorLog(const QString& message, ErrorCode code,
                           const Clock& clock = SystemClock::Instance()) {
  AppendErrorLog(message, static_cast<int>(code), clock);
}

// Creates each missing folder level of a path that ends in "/"; the text after the last "/" is never
// created. Failures are logged ("cannot makeing path  " + path, code from errno) and the next level is tried;
// an existence test that fails for another reason than "not there" first logs an empty message with
// ProbeFailed.
void MakePath(const QString& path, const Clock& clock = SystemClock::Instance());

}  // namespace quorvin
