#include "PlatformDirectory.h"

namespace Platform {

TDirectoryResult SearchDirectoryComputers(const TDirectoryQuery&, const TDirectoryDomainHandler&,
                                          const TDirectoryNameHandler&) {
    return {TDirectoryResult::Unavailable, QString(), QString()};
}

} // namespace Platform
