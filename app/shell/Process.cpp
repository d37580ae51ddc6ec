#include "Process.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <csignal>

namespace quorvin {
namespace {

sigset_t EndSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, number);
  return set;
}

}  // namespace

void BlockEndSignals() {
  const sigset_t set = EndSignalSet();
  ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool ChooseOffscreenWhenHeadless() {
  if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return false;
  if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    return false;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  return true;
}

QString InstanceLockFolder(const QString& executablePath) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  const QByteArray hash =
      QCryptographicHash::hash(QDir::cleanPath(executablePath).toUtf8(), QCryptographicHash::Sha1)
          .toHex()
          .left(16);
  return folder + QStringLiteral("/quorvin18-") + QString::fromLatin1(hash);
}

InstanceLock::InstanceLock(const QString& folder) : folder_(folder) {}

bool InstanceLock::OtherInstanceRunning() {
  QDir dir(folder_);
  dir.mkpath(QStringLiteral("."));
  const QString ownName = QStringLiteral("%1.lock").arg(QCoreApplication::applicationPid());
  if (!own_) {
    own_ = std::make_unique<QLockFile>(dir.filePath(ownName));
    // Stale only when its process is gone: an instance that has run for days still holds it.
    own_->setStaleLockTime(0);
    own_->tryLock(0);
  }
  for (const QString& name : dir.entryList({QStringLiteral("*.lock")}, QDir::Files)) {
    if (name == ownName) continue;
    QLockFile other(dir.filePath(name));
    other.setStaleLockTime(0);
    if (other.tryLock(0)) {
      other.unlock();  // a crashed instance's lock: gone now
      continue;
    }
    if (other.error() == QLockFile::LockFailedError) return true;
  }
  return false;
}

EndSignals::EndSignals(QObject* parent) : QObject(parent) {
  // Blocked here too, for a thread that did not block them before; never unblocked again, because a signal
  // pending at that moment would take its default action.
  BlockEndSignals();
  const sigset_t set = EndSignalSet();
  fd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd_ < 0) return;
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    signalfd_siginfo info{};
    while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
      emit Ended(static_cast<int>(info.ssi_signo));
  });
}

EndSignals::~EndSignals() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace quorvin
