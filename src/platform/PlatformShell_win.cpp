#include "PlatformShell.h"

namespace Platform {

QString ComputerSharesPath(const QString& computer) {
    return QStringLiteral("\\\\") + computer;
}

} // namespace Platform
