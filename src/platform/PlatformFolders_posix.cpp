#include "PlatformFolders.h"

#include <QDir>

namespace Platform {

// The XDG base directories: $XDG_CONFIG_HOME (only an absolute path counts) or ~/.config, and /etc/xdg.
QString UserAppDataFolder() {
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(configHome))
        return QDir::cleanPath(configHome);
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QString() : QDir::cleanPath(home + QStringLiteral("/.config"));
}

QString CommonAppDataFolder() {
    return QStringLiteral("/etc/xdg");
}

} // namespace Platform
