#pragma once
// The recorder's command line: the options, their usage text, and what a command line asks for. Plain code
// on a list of texts, so it is parsed before the application object exists (help and version create
// nothing) and tested without a process.

#include <QString>
#include <QStringList>

namespace quorvin {

struct CommandLine {
  enum class Action { Run, Help, Version, ListDevices, Error };

  Action action = Action::Run;
  QString suffix;               // inserted into the settings file's name; empty for none
  QString configFile;           // --config: the settings file itself; empty for the usual place
  bool once = false;            // --once: one capture, then the end without saving
  QString http;                 // --http [ADDRESS:]PORT: the web view's address; empty when it is off
  QString httpPasswords;        // --http-passwords FILE: the web view asks for a user and password
  bool timelapseDaily = false;  // --timelapse-daily: the previous day's film after midnight
  QString error;                // Action::Error: what was wrong, for standard error

  // `arguments` without the program's name.
  static CommandLine Parse(const QStringList& arguments);
  // The whole help text; `placesNote` (where the settings file is looked for here) ends it.
  static QString Usage(const QString& placesNote = {});
};

// Exit statuses of the command line's own outcomes.
inline constexpr int kExitBadArguments = 2;
inline constexpr int kExitCaptureFailed = 2;

}  // namespace quorvin
