#include "PlatformInstanceLock.h"

#include <map>
#include <stdexcept>

#include <windows.h>

// Named mutexes without a namespace prefix live in the session's own namespace, so each logon has
// its own copies; the system closes them when the process ends.
namespace Platform {
namespace {

std::map<int, HANDLE>& HeldLocks() {
    static std::map<int, HANDLE> locks;
    return locks;
}

} // namespace

bool AcquireInstanceLock(int slot) {
    if (HeldLocks().count(slot))
        return true;
    const QString name = QStringLiteral("{26F0509E-A4CE-45CA-9168-9708BD51F559}-%1").arg(slot);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, reinterpret_cast<LPCWSTR>(name.utf16()));
    if (!mutex)
        throw std::runtime_error("System Error.  Code: " + std::to_string(GetLastError()));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    HeldLocks()[slot] = mutex;
    return true;
}

void ReleaseInstanceLocks() {
    for (const auto& [slot, mutex] : HeldLocks())
        CloseHandle(mutex);
    HeldLocks().clear();
}

QString InstanceServerName() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    wchar_t user[257] = {};
    DWORD size = 257;
    GetUserNameW(user, &size);
    return QStringLiteral("dormiva-%1-%2").arg(session).arg(QString::fromWCharArray(user));
}

} // namespace Platform
