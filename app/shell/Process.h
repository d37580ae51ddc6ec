#pragma once
// The process around the main window: the platform choice without a display, the previous-instance
// indicator, and the end signals turned into ordinary events.

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace quorvin {

// Before the application object exists: with neither DISPLAY nor WAYLAND_DISPLAY set and no platform
// asked for, choose the offscreen platform instead of aborting. True when it chose it.
bool ChooseOffscreenWhenHeadless();

// The folder of the instance locks, named from the executable's path, in the runtime folder.
QString InstanceLockFolder(const QString& executablePath);

// The previous-instance indicator. Every instance holds a lock file of its own in the program's lock
// folder, so the indicator is true exactly when another running instance exists, however many run and
// in whatever order they end. Locks left by crashed instances are stale and removed.
class InstanceLock {
 public:
  explicit InstanceLock(const QString& folder);
  // Takes this instance's own lock; true when another running instance holds one.
  bool OtherInstanceRunning();

 private:
  QString folder_;
  std::unique_ptr<QLockFile> own_;
};

// Blocks SIGTERM, SIGINT and SIGHUP in the calling thread. Called first thing in main, before any thread
// exists, so every thread inherits the mask: no handler a library installs (SANE backends replace
// SIGTERM's) and no default action ever runs for them; EndSignals reads them instead.
void BlockEndSignals();

// SIGTERM, SIGINT and SIGHUP arrive as the signal Ended on the event loop, where the program can save
// its settings safely. They are read through a signalfd, so a signal that came before the loop runs (or
// before this object existed) is read as soon as it does. One per process.
class EndSignals : public QObject {
  Q_OBJECT
 public:
  explicit EndSignals(QObject* parent = nullptr);
  ~EndSignals() override;

 signals:
  void Ended(int signalNumber);

 private:
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quorvin
