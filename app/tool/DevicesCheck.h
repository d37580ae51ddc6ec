#pragma once
// `quorvin18-settings check-devices`: korvex's per-device file devices.ini read as korvex reads it, naming
// every stored value that korvex would pass over without a word.

#include <QString>

namespace quorvin::tool {

// $XDG_CONFIG_HOME/korvex/devices.ini, where korvex keeps each device's format and controls.
QString DefaultDevicesFile();

// Prints every finding with its section, key and line; returns the exit status: 0 when korvex reads the
// file (warnings included; also when the default file does not exist yet), 1 when it cannot read it, 2
// when a named file does not exist.
int CheckDevicesFile(const QString& file, bool named);

}  // namespace quorvin::tool
