#include "DetectOS.h"

#include "PlatformOSVersion.h"

bool IsWindowsVersionOrLater(quint32 major, quint32 minor, quint16 servicePackMajor) {
    return Platform::IsOSVersionOrLater(major, minor, servicePackMajor);
}

bool IsWindowsVistaOrLater() {
    return IsWindowsVersionOrLater(6, 0, 0);
}
