#pragma once

#include <QString>

namespace Platform {

// The address of a computer's shares as the desktop's file manager opens it.
QString ComputerSharesPath(const QString& computer);

} // namespace Platform
