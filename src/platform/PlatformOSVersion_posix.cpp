#include "PlatformOSVersion.h"

#include <tuple>

namespace Platform {

bool IsOSVersionOrLater(quint32 major, quint32 minor, quint16 servicePackMajor) {
    constexpr quint32 kMajor = 10, kMinor = 0;
    constexpr quint16 kServicePack = 0;
    return std::tie(kMajor, kMinor, kServicePack) >= std::tie(major, minor, servicePackMajor);
}

} // namespace Platform
