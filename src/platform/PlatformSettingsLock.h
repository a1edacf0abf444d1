#pragma once

#include <QString>

namespace Platform {

enum class TSettingsLock {
    Held,       // this process holds the folder's lock
    InUse,      // another process holds it
    Unavailable // no lock can be made there (a read-only folder); nobody can write the settings either
};

// Takes the lock that stands for the one copy of the program using the settings in folder, whatever
// session it runs in. It is held until the process ends, also an abnormal end, and is never passed
// on to programs the process starts. A second call for the same folder answers Held.
TSettingsLock LockSettingsFolder(const QString& folder);

} // namespace Platform
