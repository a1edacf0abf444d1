#include "PlatformProbeSockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <set>

namespace Platform {

namespace {

constexpr int MaxDatagramSize = 1500;

sockaddr_in SocketAddress(quint32 address, quint16 port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

SOCKET NonBlockingSocket(int type, int protocol) {
    const SOCKET s = ::socket(AF_INET, type, protocol);
    if (s != INVALID_SOCKET) {
        u_long on = 1;
        ::ioctlsocket(s, FIONBIO, &on);
    }
    return s;
}

void CloseIfOpen(SOCKET s) {
    if (s != INVALID_SOCKET)
        ::closesocket(s);
}

void Drain(SOCKET s, std::vector<TReceivedDatagram>& into) {
    char buffer[MaxDatagramSize];
    for (;;) {
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int received = ::recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received == SOCKET_ERROR) {
            // An ICMP error for an earlier datagram is reported as a failed read; the next read goes on.
            if (::WSAGetLastError() == WSAECONNRESET)
                continue;
            return;
        }
        into.push_back({ntohl(from.sin_addr.s_addr), ntohs(from.sin_port), QByteArray(buffer, received)});
    }
}

} // namespace

// A loopback datagram socket that sends to itself serves as the wake-up, as WSAPoll waits on sockets only.
struct TProbeSockets::TState {
    bool Started = false;
    SOCKET Wake = INVALID_SOCKET;
    sockaddr_in WakeAddress{};
    SOCKET Icmp = INVALID_SOCKET;
    TEchoAccess Access = TEchoAccess::Failed;
    bool IcmpOpened = false;
    SOCKET Udp = INVALID_SOCKET;
    std::set<SOCKET> Pending;

    TState() {
        WSADATA data{};
        Started = ::WSAStartup(0x0202, &data) == 0;
        Wake = NonBlockingSocket(SOCK_DGRAM, IPPROTO_UDP);
        WakeAddress = SocketAddress(INADDR_LOOPBACK, 0);
        int length = sizeof WakeAddress;
        if (Wake != INVALID_SOCKET) {
            ::bind(Wake, reinterpret_cast<const sockaddr*>(&WakeAddress), sizeof WakeAddress);
            ::getsockname(Wake, reinterpret_cast<sockaddr*>(&WakeAddress), &length);
        }
    }
    ~TState() {
        CloseIfOpen(Wake);
        CloseIfOpen(Icmp);
        CloseIfOpen(Udp);
        for (const SOCKET s : Pending)
            ::closesocket(s);
        if (Started)
            ::WSACleanup();
    }
};

TProbeSockets::TProbeSockets() : m_state(std::make_unique<TState>()) {}

TProbeSockets::~TProbeSockets() = default;

TEchoAccess TProbeSockets::EchoAccess() {
    TState& s = *m_state;
    if (s.IcmpOpened)
        return s.Access;
    s.IcmpOpened = true;
    s.Icmp = NonBlockingSocket(SOCK_RAW, IPPROTO_ICMP);
    if (s.Icmp != INVALID_SOCKET) {
        // A raw socket receives only after it is bound.
        const sockaddr_in any = SocketAddress(INADDR_ANY, 0);
        ::bind(s.Icmp, reinterpret_cast<const sockaddr*>(&any), sizeof any);
        s.Access = TEchoAccess::Raw;
    } else {
        s.Access = ::WSAGetLastError() == WSAEACCES ? TEchoAccess::Denied : TEchoAccess::Failed;
    }
    return s.Access;
}

quint16 TProbeSockets::EchoIdentifier() {
    return static_cast<quint16>(::GetCurrentProcessId());
}

bool TProbeSockets::SendEcho(quint32 address, const QByteArray& message) {
    if (m_state->Icmp == INVALID_SOCKET)
        return false;
    const sockaddr_in target = SocketAddress(address, 0);
    return ::sendto(m_state->Icmp, message.constData(), static_cast<int>(message.size()), 0,
                    reinterpret_cast<const sockaddr*>(&target), sizeof target) != SOCKET_ERROR;
}

bool TProbeSockets::SendDatagram(quint32 address, quint16 port, const QByteArray& data) {
    TState& s = *m_state;
    if (s.Udp == INVALID_SOCKET)
        s.Udp = NonBlockingSocket(SOCK_DGRAM, IPPROTO_UDP);
    if (s.Udp == INVALID_SOCKET)
        return false;
    const sockaddr_in target = SocketAddress(address, port);
    return ::sendto(s.Udp, data.constData(), static_cast<int>(data.size()), 0,
                    reinterpret_cast<const sockaddr*>(&target), sizeof target) != SOCKET_ERROR;
}

TConnectStart TProbeSockets::StartConnect(quint32 address, quint16 port, int& connection) {
    connection = -1;
    const SOCKET s = NonBlockingSocket(SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return ::WSAGetLastError() == WSAEMFILE || ::WSAGetLastError() == WSAENOBUFS ? TConnectStart::OutOfSockets
                                                                                     : TConnectStart::Failed;
    const sockaddr_in target = SocketAddress(address, port);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        ::closesocket(s);
        return TConnectStart::Connected;
    }
    if (::WSAGetLastError() != WSAEWOULDBLOCK) {
        ::closesocket(s);
        return TConnectStart::Failed;
    }
    m_state->Pending.insert(s);
    // Socket handles are small kernel handles in practice; the events give them back as they were.
    connection = static_cast<int>(s);
    return TConnectStart::Pending;
}

void TProbeSockets::CloseConnection(int connection) {
    const SOCKET s = static_cast<SOCKET>(connection);
    if (m_state->Pending.erase(s) > 0)
        ::closesocket(s);
}

TProbeEvents TProbeSockets::Wait(int timeoutMs) {
    TState& s = *m_state;
    // Only open sockets go into the set.
    std::vector<WSAPOLLFD> entries;
    for (const SOCKET open : {s.Wake, s.Icmp, s.Udp}) {
        if (open != INVALID_SOCKET)
            entries.push_back({open, POLLRDNORM, 0});
    }
    for (const SOCKET pending : s.Pending)
        entries.push_back({pending, POLLWRNORM, 0});
    TProbeEvents events;
    if (::WSAPoll(entries.data(), static_cast<ULONG>(entries.size()), timeoutMs) <= 0)
        return events;
    for (const WSAPOLLFD& entry : entries) {
        if (!entry.revents)
            continue;
        if (entry.fd == s.Wake) {
            std::vector<TReceivedDatagram> wakes;
            Drain(s.Wake, wakes);
        } else if (entry.fd == s.Icmp) {
            Drain(s.Icmp, events.IcmpMessages);
        } else if (entry.fd == s.Udp) {
            Drain(s.Udp, events.Datagrams);
        } else {
            // A refused connection shows as POLLERR or POLLHUP rather than as writable.
            const bool connected = (entry.revents & POLLWRNORM) && !(entry.revents & (POLLERR | POLLHUP));
            events.Connections.push_back({static_cast<int>(entry.fd), connected});
        }
    }
    return events;
}

void TProbeSockets::Wake() {
    const char byte = 0;
    ::sendto(m_state->Wake, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&m_state->WakeAddress),
             sizeof m_state->WakeAddress);
}

} // namespace Platform
