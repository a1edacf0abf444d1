#pragma once

#include "RemoteSettings.h"

#include <QString>

// What the remote side did with a Win32Shutdown request.
struct TWmiShutdownOutcome {
    int Objects = 0;     // operating-system objects the query returned and that were called
    int ReturnValue = 0; // Win32Shutdown's return value of the last call; the calls stop at the first non-zero
};

// What the people in front of the computer are told, and why: when any part is set, the call is
// Win32ShutdownTracker instead of Win32Shutdown.
struct TShutdownNotice {
    int DelaySeconds = 0;   // the countdown before the computer goes down
    QString Message;        // shown to the users logged on
    quint32 ReasonCode = 0; // a shutdown reason code (planned flag, major and minor reason); 0: none

    bool IsSet() const { return DelaySeconds > 0 || !Message.isEmpty() || ReasonCode != 0; }
};

namespace Platform {

// Connects to the namespace root\cimv2 of the computer ("." or empty: this computer where the platform can
// reach it, refused where it cannot), queries the primary operating system and calls Win32Shutdown with
// the flags on every object returned, or Win32ShutdownTracker when the notice is set. An empty user name
// means the identity of the calling thread's user. Raises ERemoteError for every failure of the
// connection, the query or the call itself.
TWmiShutdownOutcome WmiShutdown(const QString& computer, const QString& userName, const QString& password, int flags,
                                const TShutdownNotice& notice, const TRemoteSettings& settings);

// LastBootUpTime of the computer's primary operating system, as the same query returns it (the
// timestamp text, compared as it stands). Raises ERemoteError like WmiShutdown, and when no object or
// no boot time comes back.
QString WmiLastBootUpTime(const QString& computer, const QString& userName, const QString& password,
                          const TRemoteSettings& settings);

// The system's text for a Windows error code, or empty when there is none.
QString WindowsErrorText(qint64 code);

} // namespace Platform
