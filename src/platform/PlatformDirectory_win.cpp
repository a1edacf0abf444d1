#include "PlatformDirectory.h"

namespace Platform {

TDirectoryResult SearchDirectoryComputers(const TDirectoryQuery&, const TDirectoryNameHandler&,
                                          const TDirectoryNameHandler&) {
    return {TDirectoryResult::Unavailable, QString(), QString()};
}

} // namespace Platform
