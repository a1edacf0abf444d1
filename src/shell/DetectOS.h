#pragma once

#include <QtGlobal>

// True when the running Windows is at least version major.minor with at least that service pack.
bool IsWindowsVersionOrLater(quint32 major, quint32 minor, quint16 servicePackMajor);
// Windows Vista (6.0) or later; it switches on hot tracking in the tree views.
bool IsWindowsVistaOrLater();
