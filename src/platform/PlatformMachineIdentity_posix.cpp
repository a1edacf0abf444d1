#include "PlatformMachineIdentity.h"

#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace Platform {

QString ComputerName() {
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0)
        return QString();
    return QString::fromLocal8Bit(name);
}

QString LoginName() {
    const passwd* user = getpwuid(geteuid());
    return user && user->pw_name ? QString::fromLocal8Bit(user->pw_name) : QString();
}

std::optional<quint32> SystemVolumeSerial() {
    struct statvfs root = {};
    if (statvfs("/", &root) != 0)
        return std::nullopt;
    return quint32(root.f_fsid);
}

} // namespace Platform
