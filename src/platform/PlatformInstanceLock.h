#pragma once

#include <QString>

namespace Platform {

// Takes the lock that stands for one running copy of the program in the user's session (slot 0 to
// the allowed number of copies - 1). Returns false when another process holds that slot. A lock is
// held until ReleaseInstanceLocks or the end of the process, also an abnormal end, and is never
// passed on to programs the process starts. Throws std::runtime_error when it cannot be made.
bool AcquireInstanceLock(int slot);
// Gives back every lock this process holds.
void ReleaseInstanceLocks();
// The local server name through which a later start asks the running copy of the same user session
// to raise its window.
QString InstanceServerName();

} // namespace Platform
