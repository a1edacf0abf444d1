#include "PlatformMemoryProtection.h"

namespace Platform {

// Windows writes no core files of its own accord; error reports are the user's choice.
bool KeepMemoryPrivate() {
    return true;
}

} // namespace Platform
