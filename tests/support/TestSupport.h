#pragma once
// Shared test helpers: a clock the test sets, and a temporary folder that is also the working folder.

#include "Clock.h"
#include "MessageBoxes.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

class QProcess;

namespace quorvin::test {

// A clock that stands still until the test moves it.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(QDateTime now = QDateTime(QDate(1999, 6, 29), QTime(13, 45, 27))) : now_(now) {}
  QDateTime Now() const override { return now_; }
  void Set(const QDateTime& now) { now_ = now; }
  void Set(int y, int mo, int d, int h, int mi, int s) { now_ = QDateTime(QDate(y, mo, d), QTime(h, mi, s)); }
  void AdvanceSeconds(qint64 s) { now_ = now_.addSecs(s); }

 private:
  QDateTime now_;
};

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

// Limits the size of files this process writes while it lives: a write past the limit fails as on a full
// disk (for root too, unlike permissions).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(unsigned long bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  unsigned long savedCurrent_ = 0;
  bool active_ = false;
};

// A temporary folder made the current working folder for the object's life (the error log lands there).
class WorkingFolder {
 public:
  WorkingFolder();
  ~WorkingFolder();
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

  QString Path() const { return dir_.path(); }
  QString File(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
  QString previous_;
};

// Records every box instead of showing it; Fatal returns so the test can look at what happened.
class RecordingMessageBoxes final : public MessageBoxes {
 public:
  struct Box {
    bool fatal;
    QString title;
    QString text;
  };
  void Show(MessageIcon, const QString& title, const QString& text) override {
    boxes.push_back({false, title, text});
  }
  void Fatal(const QString& title, const QString& text) override { boxes.push_back({true, title, text}); }
  std::vector<Box> boxes;
};

// An X server of the test's own: Xvfb takes the first free display number itself, so tests running at
// once never share one. It ends with the object.
class XvfbServer {
 public:
  XvfbServer();
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;
  // ":N"; empty when the server did not start.
  QString Display() const { return display_; }

 private:
  std::unique_ptr<QProcess> server_;
  QString display_;
};

QByteArray ReadAll(const QString& path);
// A whole JPEG file: the start marker first, the end marker last.
bool IsJpeg(const QString& path);
// Every file below `folder`, hidden ones too, sorted.
QStringList FilesBelow(const QString& folder);
void WriteAll(const QString& path, const QByteArray& bytes);

// What the process writes to standard error while the object lives.
class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;
  QString Text() const;

 private:
  int saved_ = -1;
  FILE* file_ = nullptr;
};

// The JPEG with the size in its frame header replaced: a small file that claims a huge picture.
QByteArray JpegClaimingSize(QByteArray jpeg, int width, int height);

}  // namespace quorvin::test
