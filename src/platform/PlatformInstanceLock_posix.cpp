#include "PlatformInstanceLock.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// The locks are files held with flock in the user's runtime folder; the kernel releases them when
// the process ends however it ends. Without XDG_RUNTIME_DIR the folder is a private one in the
// temporary folder, refused when someone else owns it or may write into it.
namespace Platform {
namespace {

[[noreturn]] void Fail(const QString& what, int error) {
    throw std::runtime_error(
        QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error))).toStdString());
}

QString RuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime;
    const QString folder = QDir::tempPath() + QStringLiteral("/dormiva-%1").arg(getuid());
    const QByteArray path = QFile::encodeName(folder);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        Fail(folder, errno);
    struct stat info {};
    if (lstat(path.constData(), &info) != 0)
        Fail(folder, errno);
    if (!S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 077) != 0)
        Fail(folder, EPERM);
    return folder;
}

std::map<int, int>& HeldLocks() {
    static std::map<int, int> locks; // slot -> open file
    return locks;
}

} // namespace

bool AcquireInstanceLock(int slot) {
    if (HeldLocks().count(slot))
        return true;
    const QString file = RuntimeFolder() + QStringLiteral("/dormiva-%1-%2.lock").arg(getuid()).arg(slot);
    const int fd = open(QFile::encodeName(file).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        Fail(file, errno);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK)
            return false;
        Fail(file, error);
    }
    HeldLocks()[slot] = fd;
    return true;
}

void ReleaseInstanceLocks() {
    for (const auto& [slot, fd] : HeldLocks())
        close(fd);
    HeldLocks().clear();
}

QString InstanceServerName() {
    return RuntimeFolder() + QStringLiteral("/dormiva-%1.socket").arg(getuid());
}

} // namespace Platform
