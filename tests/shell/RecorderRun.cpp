#include "RecorderRun.h"

#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pthread.h>
#include <csignal>
#include <stdexcept>

namespace quorvin::test {

RecorderRun::RecorderRun() {
  // With the build tree's mark, so that bin/ is the program folder as build/bin is.
  const QString marker = QFileInfo(QStringLiteral(QUORVIN18_PROGRAM)).dir().filePath(kBuildTreeMarker);
  if (!QDir().mkpath(File(QStringLiteral("bin"))) || !QDir().mkpath(File(QStringLiteral("runtime"))) ||
      !QFile::copy(QStringLiteral(QUORVIN18_PROGRAM), File(QStringLiteral("bin/quorvin18"))) ||
      !QFile::copy(marker, File(QStringLiteral("bin/")) + kBuildTreeMarker))
    throw std::runtime_error("cannot prepare the program folder");
  QFile::setPermissions(File(QStringLiteral("runtime")),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QProcessEnvironment RecorderRun::Environment(const QString& display, const QString& saneConfig) const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(QLatin1String(name));
  // Without a display the program must choose the offscreen platform by itself.
  if (!display.isEmpty()) env.insert(QStringLiteral("DISPLAY"), display);
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), File(QStringLiteral("config")));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), File(QStringLiteral("runtime")));
  env.insert(QStringLiteral("SANE_CONFIG_DIR"), saneConfig);
  return env;
}

void RecorderRun::Start(QProcess& process, const QStringList& arguments,
                        const QProcessEnvironment& environment, const QString& workingFolder) const {
  QDir().mkpath(workingFolder);
  process.setProcessEnvironment(environment);
  process.setWorkingDirectory(workingFolder);
  // The test may have blocked end signals itself; the child would inherit that.
  process.setChildProcessModifier([] {
    sigset_t none;
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
  });
  process.start(File(QStringLiteral("bin/quorvin18")), arguments);
}

}  // namespace quorvin::test
