#pragma once

#include "PlatformWmi.h"
#include "RemoteSettings.h"

#include <QString>

struct TProgramOptions;

// Win32Shutdown flags for a shutdown type (1 restart, 2 log off, anything else power off);
// forcing adds 4, which closes applications on the target without asking.
int ShutdownFlags(int ShutdownType, bool Forced);

// Asks the operating system of the computer ("." or empty: this one) to power off, restart or log off.
// Returns 0 when the computer accepted the request and -1 when it offered no operating-system object.
// Every other failure raises ERemoteError with a text that says what happened; a refused request carries
// Win32Shutdown's return value as its code, and for the refusals an administrator can act on, a text
// that says what to do. A set notice warns the users first (Win32ShutdownTracker).
int ShutdownComputer(const QString& Computer, const QString& UserName, const QString& Password, int ShutdownType,
                     bool Forced, const TRemoteSettings& Settings, const TShutdownNotice& Notice = {});

// Windows' answers that mean the computer is going down already, whatever was asked.
bool IsAlreadyGoingDown(qint64 code);

// The remote-call settings of the program options, copied for a worker thread.
TRemoteSettings RemoteSettingsFromOptions(const TProgramOptions& options);
