#pragma once

#include <QString>

// How a remote call reaches a computer: a copy of the program options that concern it, made on the
// main thread and handed to the worker, so that a changed option never races with a running call.
enum class TRemoteAuthentication { Negotiate, Ntlm, Kerberos, Basic };

struct TRemoteSettings {
    bool Https = false;
    int Port = 0; // 0 = the protocol's default (5985 for HTTP, 5986 for HTTPS)
    TRemoteAuthentication Authentication = TRemoteAuthentication::Negotiate;
    bool VerifyCertificate = true;
    QString CaFile;                // PEM file of the certification authorities trusted for HTTPS; empty: the system's
    bool AllowUnencrypted = false; // Basic over plain HTTP, where the password crosses the network readable
    int TimeoutSeconds = 60;       // the longest one call may take, connecting included

    int EffectivePort() const;
    // TimeoutSeconds, or 60 when it is not positive: a call never waits without a bound.
    int EffectiveTimeoutSeconds() const { return TimeoutSeconds > 0 ? TimeoutSeconds : 60; }
    // "negotiate", "ntlm", "kerberos" or "basic" (case-insensitive); anything else means negotiate.
    static TRemoteAuthentication AuthenticationFromText(const QString& text);
    static QString AuthenticationText(TRemoteAuthentication authentication);
};
