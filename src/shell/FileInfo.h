#pragma once

#include "PlatformFileVersion.h"

#include <QDateTime>
#include <QString>

// The version values of a program file; an empty name means the running program, whose values are
// fixed when it is built. All fields are zero for a file without version information.
TFixedFileInfo GetFixedFileInfo(const QString& fileName = QString());
// "major.minor"; empty when the whole file version is zero.
QString GetVersionShort(const QString& fileName = QString());
// "major.minor.release.build"; empty when the whole file version is zero.
QString GetVersionFull(const QString& fileName = QString());
// A text value of the running program's version information ("CompanyName", "ProductName",
// "InternalName"); empty for any other name.
QString GetVersionString(const QString& valueName);
// When the running program was built (UTC).
QDateTime GetBuildDate();
