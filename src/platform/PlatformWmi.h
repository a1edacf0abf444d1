#pragma once

#include "RemoteSettings.h"

#include <QString>

// What the remote side did with a Win32Shutdown request.
struct TWmiShutdownOutcome {
    int Objects = 0;     // operating-system objects the query returned and that were called
    int ReturnValue = 0; // Win32Shutdown's return value of the last call; the calls stop at the first non-zero
};

namespace Platform {

// Connects to the namespace root\cimv2 of the computer ("." or empty: this computer where the platform can
// reach it, refused where it cannot), queries the primary operating system and calls Win32Shutdown with
// the flags on every object returned. An empty user name
// means the identity of the calling thread's user. Raises ERemoteError for every failure of the
// connection, the query or the call itself.
TWmiShutdownOutcome WmiShutdown(const QString& computer, const QString& userName, const QString& password, int flags,
                                const TRemoteSettings& settings);

// The system's text for a Windows error code, or empty when there is none.
QString WindowsErrorText(qint64 code);

} // namespace Platform
