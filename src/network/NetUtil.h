#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

struct TProgramOptions;
struct TProbeTarget;

// IPv4 network operations shared by the state monitor, the computer search and the jobs. Each may run
// on any thread at any time, needs no set-up, and never raises: failures read as empty text, false or
// NoAnswer.

// Response time that means "no answer came".
constexpr qint32 NoAnswer = 2147483647;
constexpr quint16 NetBIOSNamePort = 137;

// Names come from files and the network: control characters make no computer name.
QString CleanComputerName(const QString& text);
// True when the system's inet_addr accepts the text (short and hexadecimal forms too);
// 255.255.255.255 and the empty text are not addresses.
bool IsIPAddress(const QString& text);
// Dotted text of the first IPv4 address of the name; empty when it does not resolve.
QString ResolveHostToIP(const QString& hostName);
// The DNS name of the address; empty when it has none (the address text itself is never returned).
QString ResolveIPToHostName(const QString& address);
// The computer's NetBIOS name from a node status query to UDP port 137; empty on any failure.
QString GetNetBIOSNameByIP(const QString& address, quint32 timeoutMs);
// Round-trip time of one ICMP echo to an address or host name, or NoAnswer.
qint32 PingHost(const QString& host, quint32 timeoutMs);
// Milliseconds until a TCP connection to the port was established, or NoAnswer (refused, failed,
// timed out). A host name is resolved first; an address is used as it is.
qint32 ProbeTCPPort(const QString& host, quint32 timeoutMs, quint16 port);
// The first and last host address of the subnet of address and mask; false with both outputs empty
// when either text is not an address.
bool GetIPRangeByMask(const QString& address, const QString& mask, QString& firstIP, QString& lastIP);
// "low-high" of two addresses in numeric order; a text that is not an address counts as 255.255.255.255.
QString FormatIPRange(const QString& addressA, const QString& addressB);

// The configured check: how a computer is asked whether it answers.
struct TCheckSettings {
    int CheckState = 0; // -1 no check, 0 ICMP echo, 1 TCP connection to TCPPort
    quint32 TimeoutMs = 300;
    quint16 TCPPort = 139;

    static TCheckSettings FromOptions(const TProgramOptions& options);
    // The probe that asks the host as configured; a check state other than 0 or 1 asks nothing.
    TProbeTarget Target(const QString& host) const;
};

// Whether two targets make the same probe of the same host.
bool SameProbe(const TProbeTarget& a, const TProbeTarget& b);

bool IsComputerReachable(const QString& host, const TCheckSettings& check);
qint32 GetComputerResponseTime(const QString& host, const TCheckSettings& check);

// Sets who is told, once, that this process may not send ICMP echo at all, so that every check by ICMP
// echo will read as "no answer". Setting a handler arms the notice again; an empty handler detaches.
// The handler runs on the probing thread.
void SetIcmpUnavailableHandler(std::function<void()> handler);
// Tells the handler, once, that ICMP echo is denied to this process.
void TellIcmpUnavailable();

// An ICMP echo request with 32 zero data bytes.
QByteArray IcmpEchoRequest(quint16 identifier, quint16 sequence);

// The 50-byte NetBIOS node status request for the wildcard name.
QByteArray NodeStatusRequest();
// The name a node status reply gives for the computer: the first unique, active name with suffix 0x00
// or 0x01 that has no "~"; empty when there is none. Only entries wholly inside the reply are read.
QString ParseNodeStatusReply(const QByteArray& reply);
// The hardware address in the statistics after the name table of a node status reply (its unit ID), in
// the stored form; empty when the reply ends before it or carries none (Samba sends zeros).
QString ParseNodeStatusUnitId(const QByteArray& reply);
// The hardware address of the computer that sent a node status reply from the address: its unit ID or, as
// Samba sends none, the neighbour table's entry for it on the local link, which the exchange has just made.
// Empty when there was no reply.
QString NodeStatusHardwareAddress(const QByteArray& reply, quint32 from);
