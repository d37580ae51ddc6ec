#pragma once
// `quorvin18-settings check`: loads a settings file as the recorder does, runs the corrections the
// recorder makes when it starts with it, and names the values that would make it misbehave.

#include <QString>

namespace quorvin::tool {

struct CheckOptions {
  // List the video devices through libkorvex, as start-up does, to check DevIndex against them.
  bool listDevices = false;
};

// Prints every finding with its key and line and returns the exit status: 0 when the recorder starts with
// the file (warnings included), 1 when it would stop, 2 when there is no such file.
int CheckSettings(const QString& file, const CheckOptions& options);

}  // namespace quorvin::tool
