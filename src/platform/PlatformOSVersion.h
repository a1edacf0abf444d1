#pragma once

#include <QtGlobal>

namespace Platform {

// True when the running system is at least Windows major.minor with at least that service pack,
// compared in that order of significance. Other systems answer as a current Windows (10.0) would,
// so that features gated on newer Windows versions are on.
bool IsOSVersionOrLater(quint32 major, quint32 minor, quint16 servicePackMajor);

} // namespace Platform
