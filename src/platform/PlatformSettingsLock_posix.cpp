#include "PlatformSettingsLock.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// A file held with flock beside the settings: the kernel releases it however the process ends, and
// copies in other sessions (another runtime folder) see it as long as they share the folder.
namespace Platform {

TSettingsLock LockSettingsFolder(const QString& folder) {
    static QSet<QString> held;
    if (held.contains(folder))
        return TSettingsLock::Held;
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/dormiva.lock"));
    // Readable by all: copies of other users on an all-users folder must be able to see the lock.
    int fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        fd = open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return TSettingsLock::Unavailable;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        return error == EWOULDBLOCK ? TSettingsLock::InUse : TSettingsLock::Unavailable;
    }
    held.insert(folder); // the descriptor stays open until the process ends
    return TSettingsLock::Held;
}

} // namespace Platform
