#pragma once

#include <QString>

#include <optional>

// The values of the local system that bind stored passwords to this computer and user.
namespace Platform {

// The local computer's name; empty when it cannot be obtained.
QString ComputerName();
// The name of the user running the program; empty when it cannot be obtained.
QString LoginName();
// The serial number of the system volume (C: on Windows, the root file system's id elsewhere).
std::optional<quint32> SystemVolumeSerial();

} // namespace Platform
