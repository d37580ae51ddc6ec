#pragma once
// What the command line asks for without starting a recorder: the versions, and the devices a recorder
// could capture from.

#include <QString>

#include <memory>

namespace korvex {
class DeviceSource;
}

namespace quorvin {

// The program's version, then the version of each library it captures and writes with.
QString VersionText();

// The video devices as DevIndex counts them, with their driver, formats and the devices.ini section that
// opens each in its largest format; then the local scanner sources as DevIndexTwain counts them. The
// system's devices when `devices` is null.
QString DeviceListText(std::shared_ptr<korvex::DeviceSource> devices = nullptr);

}  // namespace quorvin
