#pragma once

#include <QtGlobal>

// ICMP echo ("ping") of one IPv4 address.
namespace Platform {

enum class TEchoStatus {
    Reply,      // the echo came back
    NoReply,    // nothing came back in time, or the host was reported unreachable
    Unavailable // this process may not send ICMP echo at all
};

struct TEchoResult {
    TEchoStatus Status = TEchoStatus::NoReply;
    quint32 RoundTripMs = 0;
};

// Sends one echo request with 32 zero data bytes to the address (host byte order) and waits at most
// timeoutMs for its reply. Safe to call from several threads at once.
TEchoResult SendIcmpEcho(quint32 address, quint32 timeoutMs);

} // namespace Platform
