#include "Process.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace quorvin {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnEndSignal(int number) {
  const unsigned char byte = static_cast<unsigned char>(number);
  // Only write() is safe here; the event loop does the rest.
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

}  // namespace

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
  if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
  notifier_ = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    unsigned char byte = 0;
    if (::read(g_signalPipe[0], &byte, 1) == 1) emit Ended(byte);
  });
  struct sigaction action = {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(number, &action, nullptr);
}

EndSignals::~EndSignals() {
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  for (int number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(number, &action, nullptr);
}

}  // namespace quorvin
