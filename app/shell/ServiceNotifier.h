#pragma once
// Telling the service manager how the recorder is: ready, stopping, alive (watchdog pings from the event
// loop, so a loop that stalls stops them and the manager restarts the service) and a status line. Started
// without a notification socket (NOTIFY_SOCKET unset), it does nothing at all.

#include <QObject>
#include <QString>

class QTimer;

namespace quorvin {

class ServiceNotifier : public QObject {
  Q_OBJECT
 public:
  explicit ServiceNotifier(QObject* parent = nullptr);

  // Whether a service manager listens.
  bool Active() const { return active_; }
  // The watchdog ping period: half the manager's watchdog time; 0 without a watchdog.
  int WatchdogPeriodMs() const;

  // Start-up is done.
  void Ready();
  // The end has begun.
  void Stopping();
  // A line for the manager's status display.
  void Status(const QString& text);

 private:
  void Send(const QString& state);

  bool active_ = false;
  QTimer* watchdog_ = nullptr;
};

}  // namespace quorvin
