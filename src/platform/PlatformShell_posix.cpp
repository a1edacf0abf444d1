#include "PlatformShell.h"

namespace Platform {

QString ComputerSharesPath(const QString& computer) {
    return QStringLiteral("smb://") + computer + u'/';
}

} // namespace Platform
