#pragma once
// Where the program keeps its settings file and snapshots.

#include <QString>

namespace quorvin {

// The folder that holds the running executable.
QString ExecutableFolder();

// The executable's folder when it may be written, else $XDG_CONFIG_HOME/quorvin (~/.config/quorvin),
// created on first use.
QString ProgramFolder();

// folder (one trailing "/" removed) + "/quorvin18" + suffix + ".ini"
QString SettingsFilePath(const QString& folder, const QString& suffix);

}  // namespace quorvin
