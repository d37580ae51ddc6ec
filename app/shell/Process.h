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

// The lock file named from the executable's path, in the runtime folder.
QString InstanceLockPath(const QString& executablePath);

// The previous-instance indicator: Acquire() takes the program's lock; it fails exactly when another
// running instance holds it. A lock left by a crashed instance is taken over.
class InstanceLock {
 public:
  explicit InstanceLock(const QString& path);
  // True when this process now holds the lock; false when another running instance holds it.
  bool Acquire();
  bool Held() const { return held_; }

 private:
  QLockFile lock_;
  bool held_ = false;
};

// SIGTERM, SIGINT and SIGHUP arrive as the signal Ended on the event loop, where the program can save
// its settings safely. One per process.
class EndSignals : public QObject {
  Q_OBJECT
 public:
  explicit EndSignals(QObject* parent = nullptr);
  ~EndSignals() override;

 signals:
  void Ended(int signalNumber);

 private:
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quorvin
