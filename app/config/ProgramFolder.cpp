#include "ProgramFolder.h"

#include "AtomicFile.h"
#include "SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quorvin {
namespace {

// The recorder's lines on standard error at start; each text is marked for lupdate where it is written.
QString Tr(const char* text) {
  return QCoreApplication::translate("quorvin", text);
}

QString CleanAbsolute(const QString& path) {
  const QFileInfo info(path);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// The example beside an installed program: <prefix>/bin/../share/quorvin/examples/quorvin18.ini, with the
// relative path the build was configured with.
QString ExampleSettings(const QString& executableFolder) {
  return QDir::cleanPath(executableFolder +
                         QStringLiteral("/" QUORVIN_DATA_FROM_BIN "/quorvin/examples/quorvin18.ini"));
}

// The images of the settings file quorvin18.ini go to <pictures>/Quorvin, those of quorvin18cam2.ini (or
// of cam2.ini named on the command line) to <pictures>/Quorvin/cam2, so that recorders made the same way
// do not write over each other's images.
QString ImagesFolder(const QString& settingsFile, const QString& picturesFolder) {
  QString name = QFileInfo(settingsFile).completeBaseName();
  if (name.startsWith(QLatin1String("quorvin18"))) name = name.mid(9);
  const QString folder = picturesFolder + QStringLiteral("/Quorvin");
  return name.isEmpty() ? folder : folder + QLatin1Char('/') + name;
}

}  // namespace

QString ExecutablePath() {
  // /proc/self/exe works before (and without) an application object.
  return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

QString ExecutableFolder() {
  return QFileInfo(ExecutablePath()).absolutePath();
}

bool IsBuildTree(const QString& executableFolder) {
  return QFileInfo(executableFolder + QLatin1Char('/') + QLatin1String(kBuildTreeMarker)).isFile();
}

QString UserSettingsFolder() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/quorvin");
}

QString ProgramFolder() {
  const QString exeFolder = ExecutableFolder();
  if (IsBuildTree(exeFolder)) return exeFolder;
  const QString folder = UserSettingsFolder();
  QDir().mkpath(folder);
  return folder;
}

QString SettingsFilePath(const QString& folder, const QString& suffix) {
  QString base = folder;
  if (base.endsWith(QLatin1Char('/'))) base.chop(1);
  return base + QStringLiteral("/quorvin18") + suffix + QStringLiteral(".ini");
}

SettingsPlace FindSettingsPlace(const QString& suffix, const QString& configFile,
                                const QString& executablePath) {
  const QString exeFolder = QFileInfo(executablePath).absolutePath();
  const bool buildTree = IsBuildTree(exeFolder);
  SettingsPlace place;
  place.programFolder = buildTree ? exeFolder : UserSettingsFolder();
  const QString usual = SettingsFilePath(place.programFolder, suffix);
  place.file = configFile.isEmpty() ? usual : CleanAbsolute(configFile);
  // A recorder on the usual file is one instance of the program, however the file was named.
  place.lockKey = place.file == CleanAbsolute(usual) ? executablePath : place.file;
  if (buildTree) return place;
  place.example = ExampleSettings(exeFolder);
  const QString beside = SettingsFilePath(exeFolder, suffix);
  if (configFile.isEmpty() && QFileInfo(beside).isFile()) place.beside = beside;
  return place;
}

QStringList PrepareSettingsFile(const SettingsPlace& place, const QString& picturesFolder,
                                const Clock& clock) {
  QStringList said;
  QDir().mkpath(place.programFolder);
  if (QFileInfo::exists(place.file)) {
    said << Tr(QT_TRANSLATE_NOOP("quorvin", "settings file %1")).arg(place.file);
    if (!place.beside.isEmpty())
      said << Tr(QT_TRANSLATE_NOOP("quorvin", "%1 beside the program is not read: the settings are in %2"))
                  .arg(place.beside, place.file);
    return said;
  }
  const bool fromExample = place.beside.isEmpty() && QFileInfo::exists(place.example);
  if (place.beside.isEmpty() && !fromExample) {
    said << Tr(QT_TRANSLATE_NOOP("quorvin",
                                 "settings file %1 does not exist: the recorder starts from the defaults"))
                .arg(place.file);
    return said;
  }
  QDir().mkpath(QFileInfo(place.file).absolutePath());
  QString error;
  if (!fromExample) {
    QFile beside(place.beside);
    if (beside.open(QIODevice::ReadOnly) && WriteFileAtomically(place.file, beside.readAll(), &error)) {
      said << Tr(QT_TRANSLATE_NOOP(
                     "quorvin",
                     "settings file %1, made from %2 beside the program (left as it was and not read again)"))
                  .arg(place.file, place.beside);
      return said;
    }
    if (error.isEmpty()) error = beside.errorString();
  } else {
    Settings settings;
    if (LoadSettings(settings, place.example) == LoadStatus::Loaded) {
      const QString images = ImagesFolder(place.file, picturesFolder);
      settings.NetworkPath = images + QStringLiteral("/live/");
      settings.histPath = images + QStringLiteral("/history/");
      const SaveResult saved = SaveSettings(settings, place.file, clock);
      if (saved.ok) {
        said << Tr(QT_TRANSLATE_NOOP("quorvin",
                                     "settings file %1, made from the example %2; live images go to %3, "
                                     "history images under %4"))
                    .arg(place.file, place.example, settings.NetworkPath, settings.histPath);
        return said;
      }
      error = saved.error;
    } else {
      error = Tr(QT_TRANSLATE_NOOP("quorvin", "the example %1 cannot be read")).arg(place.example);
    }
  }
  said << Tr(QT_TRANSLATE_NOOP("quorvin",
                               "settings file %1 cannot be made (%2): the recorder starts from the defaults"))
              .arg(place.file, error);
  return said;
}

}  // namespace quorvin
