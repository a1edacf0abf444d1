#pragma once

#include "PlatformWmi.h"

#include <QString>

// Action codes: the position of the action's page in the main window's action pages.
enum TDormivaAction : qint32 { acShutdown = 0, acRestart = 1, acRestartWait = 2, acWakeUp = 3 };

// Outcome codes of a finished job besides 0 (done).
enum TJobResult : qint32 {
    jrDone = 0,
    jrActionFailed = -1,      // the remote call failed, or the computer offered nothing to shut down
    jrNoAddress = -2,         // the name did not resolve to an IPv4 address
    jrHostNotActive = -3,     // the computer did not answer the reachability check
    jrNoAnswer = -4,          // the request went out but was not answered in time: the computer may carry it out
    jrAlreadyGoingDown = -5,  // refused because a shutdown is scheduled or under way already: no failure
    jrNotBack = -6,           // restarted, but no new boot time within the wait's limit
    jrNoHardwareAddress = -7, // wake-up: the computer's hardware address is not known; nothing was sent
};

// One action for one computer. The main window fills the request; the worker that runs the job
// fills the outcome. The record changes owner with the thread that holds it and is never shared.
struct TDataJob {
    QString Name;       // the computer as listed: host name or address text
    bool Alive = false; // the reachability check answered
    QString Address;    // IPv4 address used for the reachability check
    qint32 Action = acShutdown;
    QString UserName; // empty: connect as the user who runs the program
    QString Password;
    TShutdownNotice Notice; // delay, message and reason for the users; unset: a plain shutdown call
    // Restart and wait: the boot time before the restart, the steady clock (ms) when the restart was
    // accepted (0: not yet), and whether the job is to be parked and run again later to look anew.
    QString BootTime;
    qint64 RestartedAtMs = 0;
    bool Waiting = false;
    bool WaitAnnounced = false; // the pool has told the main thread that the job waits
    qint64 BackAfterSeconds = 0;
    QString HardwareAddress;       // wake-up: the computer's, as listed
    QString WakeUpTarget;          // wake-up: the broadcast address the packet went to
    qint32 AwakeAfterSeconds = -1; // wake-up: when it answered after the packet; -1 when not waited for
    qint32 Result = jrDone;
    QString ErrorMessage;
};
