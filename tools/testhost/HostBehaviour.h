#pragma once

#include <QString>
#include <QStringList>

// How one simulated computer misbehaves; the default answers like a healthy Windows host.
struct THostBehaviour {
    bool DenyCredentials = false;   // every request gets 401
    bool NoOperatingSystem = false; // the query returns no object
    bool DropConnection = false;    // the connection is cut when a request arrives
    bool Silent = false;            // requests are read and never answered
    bool Singleton = false;         // endpoint references without selectors
    bool Huge = false;              // the Enumerate answer is 50 MB of padding
    int DelayMs = 0;                // each Win32Shutdown call takes this long
    int ReturnValue = 0;            // Win32Shutdown's return value; non-zero calls are not recorded
    QString FaultMessage;           // when set, Enumerate fails with this WMI fault text
    bool NtlmOnly = false;          // offers the NTLM scheme instead of Negotiate
    bool AllowUnencrypted = false;  // takes Basic and unsealed NTLM bodies over HTTP, as WinRM's AllowUnencrypted
    bool Tamper = false;            // alters one byte of every sealed answer
    bool PlainAnswers = false;      // answers sealed requests unsealed
    bool CloseOnChallenge = false;  // ends the connection after sending the NTLM challenge
    int HugeFaultBytes = 0;         // Enumerate fails with a fault text this long, full of forged log lines
    int ManyObjects = 0;            // the first batch of an enumeration holds this many objects
    bool PreemptiveBasic = false;   // takes Basic credentials on a connection it has not challenged yet
    bool StrictBinding = false; // HTTPS logons (NTLM, Kerberos) must carry channel bindings (CbtHardeningLevel Strict)
    bool Unproved = false;      // leaves its Kerberos proof out of the answer to a logon
    int RebootMs = -1;          // an accepted restart drops every request this long, then boots anew; -1: no
    bool NeverBack = false;     // an accepted restart drops every request from then on

    // Reads "deny", "noos", "drop", "silent", "singleton", "huge", "ntlmonly", "unencrypted", "tamper",
    // "plainanswers", "closeonchallenge", "preemptive", "cbtstrict", "unproved", "delay=MS", "return=N",
    // "hugefault=BYTES", "manyobjects=N", "reboot=MS", "noreturn" and "fault=TEXT" (which takes the rest, commas
    // included). Returns an error text or empty.
    QString Apply(const QStringList& words);
};
