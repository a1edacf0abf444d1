#pragma once

#include <QString>

// Action codes: the position of the action's page in the main window's action pages.
enum TDormivaAction : qint32 { acShutdown = 0, acRestart = 1, acWakeUp = 2 };

// Outcome codes of a finished job besides 0 (done).
enum TJobResult : qint32 {
    jrDone = 0,
    jrActionFailed = -1,      // the remote call failed, or the computer offered nothing to shut down
    jrNoAddress = -2,         // the name did not resolve to an IPv4 address
    jrHostNotActive = -3,     // the computer did not answer the reachability check
    jrNoAnswer = -4,          // the request went out but was not answered in time: the computer may carry it out
    jrNoHardwareAddress = -5, // wake-up: the computer's hardware address is not known; nothing was sent
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
    QString HardwareAddress;       // wake-up: the computer's, as listed
    QString WakeUpTarget;          // wake-up: the broadcast address the packet went to
    qint32 AwakeAfterSeconds = -1; // wake-up: when it answered after the packet; -1 when not waited for
    qint32 Result = jrDone;
    QString ErrorMessage;
};
