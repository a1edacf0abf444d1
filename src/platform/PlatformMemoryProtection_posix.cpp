#include "PlatformMemoryProtection.h"

#include <sys/prctl.h>

namespace Platform {

bool KeepMemoryPrivate() {
    // Not dumpable: no core file, no ptrace attach by the same user, /proc/PID files owned by root.
    return prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
}

} // namespace Platform
