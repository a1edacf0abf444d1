#include "PlatformSettingsLock.h"

#include <QSet>

#include <windows.h>

// A file opened without sharing beside the settings: the system closes it however the process ends,
// and copies in other sessions see it as long as they share the folder.
namespace Platform {

TSettingsLock LockSettingsFolder(const QString& folder) {
    static QSet<QString> held;
    if (held.contains(folder))
        return TSettingsLock::Held;
    const QString path = folder + QStringLiteral("/dormiva.lock");
    HANDLE file = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION ? TSettingsLock::InUse : TSettingsLock::Unavailable;
    held.insert(folder); // the handle stays open until the process ends
    return TSettingsLock::Held;
}

} // namespace Platform
