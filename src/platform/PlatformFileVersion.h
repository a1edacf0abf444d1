#pragma once

#include <QString>

// The fixed part of a file's version resource: the file version as four 16-bit numbers and the
// file flags (0x1 debug/beta, 0x2 pre-release, 0x20 special build).
struct TFixedFileInfo {
    quint16 Major = 0;
    quint16 Minor = 0;
    quint16 Release = 0;
    quint16 Build = 0;
    quint32 FileFlags = 0;

    bool IsZeroVersion() const { return Major == 0 && Minor == 0 && Release == 0 && Build == 0; }
};

namespace Platform {

// Reads the version resource of another program file; all fields are zero when it has none.
TFixedFileInfo ReadFileVersion(const QString& fileName);

} // namespace Platform
