#include "ServiceNotifier.h"

#include <QTimer>

#include <systemd/sd-daemon.h>

#include <algorithm>

namespace quorvin {

ServiceNotifier::ServiceNotifier(QObject* parent) : QObject(parent) {
  active_ = !qEnvironmentVariableIsEmpty("NOTIFY_SOCKET");
  if (!active_) return;
  uint64_t usec = 0;
  // The manager's watchdog time, when it has one for this process.
  if (sd_watchdog_enabled(0, &usec) <= 0 || usec == 0) return;
  watchdog_ = new QTimer(this);
  watchdog_->setInterval(static_cast<int>(std::clamp<uint64_t>(usec / 2000, 1, 24u * 3600 * 1000)));
  connect(watchdog_, &QTimer::timeout, this, [this] { Send(QStringLiteral("WATCHDOG=1")); });
  // Pings go out only while the event loop runs; start-up before it counts against the manager's start
  // timeout, not the watchdog.
  watchdog_->start();
}

int ServiceNotifier::WatchdogPeriodMs() const {
  return watchdog_ ? watchdog_->interval() : 0;
}

void ServiceNotifier::Ready() {
  Send(QStringLiteral("READY=1"));
}

void ServiceNotifier::Stopping() {
  Send(QStringLiteral("STOPPING=1"));
}

void ServiceNotifier::Status(const QString& text) {
  // One line: the protocol separates its assignments by newlines.
  QString line = text;
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  Send(QStringLiteral("STATUS=") + line);
}

void ServiceNotifier::Send(const QString& state) {
  if (active_) sd_notify(0, state.toUtf8().constData());
}

}  // namespace quorvin
