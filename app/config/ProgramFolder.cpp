#include "ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace quorvin {

QString ExecutableFolder() {
  // /proc/self/exe works before (and without) an application object.
  const QFileInfo exe(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
  return exe.absolutePath();
}

QString ProgramFolder() {
  const QString exeFolder = ExecutableFolder();
  if (QFileInfo(exeFolder).isWritable()) return exeFolder;
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
  const QString folder = config + QStringLiteral("/quorvin");
  QDir().mkpath(folder);
  return folder;
}

QString SettingsFilePath(const QString& folder, const QString& suffix) {
  QString base = folder;
  if (base.endsWith(QLatin1Char('/'))) base.chop(1);
  return base + QStringLiteral("/quorvin18") + suffix + QStringLiteral(".ini");
}

}  // namespace quorvin
