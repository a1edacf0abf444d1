#include "PlatformMachineIdentity.h"

#include <windows.h>

namespace Platform {

QString ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? QString::fromWCharArray(name, int(size)) : QString();
}

QString LoginName() {
    wchar_t name[257] = {};
    DWORD size = 257;
    return GetUserNameW(name, &size) && size > 0 ? QString::fromWCharArray(name, int(size - 1)) : QString();
}

std::optional<quint32> SystemVolumeSerial() {
    DWORD serial = 0;
    if (!GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return std::nullopt;
    return quint32(serial);
}

} // namespace Platform
