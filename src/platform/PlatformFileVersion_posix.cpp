#include "PlatformFileVersion.h"

namespace Platform {

// ELF files carry no version resource; the running program's values are generated at build time.
TFixedFileInfo ReadFileVersion(const QString&) {
    return {};
}

} // namespace Platform
