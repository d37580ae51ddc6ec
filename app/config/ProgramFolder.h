#pragma once
// Where the program keeps its settings file and snapshots, and how an installed program makes its settings
// file on its first start.

#include "Clock.h"

#include <QString>
#include <QStringList>

namespace quorvin {

// The build writes this file into the folder of its programs (build/bin). A program run from a folder that
// holds it keeps its settings there; an installed program, which has none, keeps them per user.
inline constexpr char kBuildTreeMarker[] = "quorvin-build-tree";

// The running executable and its folder.
QString ExecutablePath();
QString ExecutableFolder();

bool IsBuildTree(const QString& executableFolder);

// $XDG_CONFIG_HOME/quorvin, or ~/.config/quorvin when it is not set. Not created here.
QString UserSettingsFolder();

// The program folder: the executable's folder when run from the build tree, else UserSettingsFolder(),
// created on first use.
QString ProgramFolder();

// folder (one trailing "/" removed) + "/quorvin18" + suffix + ".ini"
QString SettingsFilePath(const QString& folder, const QString& suffix);

// Where a recorder's settings file is, in the order the help text gives: the file named on the command
// line; from the build tree, the program folder; installed, UserSettingsFolder(). Found without creating
// anything.
struct SettingsPlace {
  QString file;           // the settings file
  QString programFolder;  // the snapshots' folder
  QString lockKey;        // the path the single-instance lock is named from
  // Installed only: the settings file beside the program, when there is one, and the example; a missing
  // settings file is made from the first of them that exists.
  QString beside;
  QString example;
};
SettingsPlace FindSettingsPlace(const QString& suffix, const QString& configFile,
                                const QString& executablePath = ExecutablePath());

// A first start: makes the missing settings file of `place` (and the program folder) from the file beside
// the program, copied as it is, or else from the example with the live and history folders under
// `picturesFolder`/Quorvin. Returns what the operator is told on standard error: where the settings are,
// what was made, a file beside the program that is not read. Creates nothing when the file exists.
QStringList PrepareSettingsFile(const SettingsPlace& place, const QString& picturesFolder,
                                const Clock& clock = SystemClock::Instance());

}  // namespace quorvin
