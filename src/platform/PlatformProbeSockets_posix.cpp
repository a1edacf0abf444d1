#include "PlatformProbeSockets.h"

#include "PosixSocket.h"

#include <cerrno>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Platform {

namespace {

constexpr int MaxDatagramSize = 1500;

void CloseIfOpen(int fd) {
    if (fd >= 0)
        ::close(fd);
}

// Reads every datagram waiting on the socket.
void Drain(int fd, std::vector<TReceivedDatagram>& into) {
    char buffer[MaxDatagramSize];
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received =
            ::recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            // An ICMP error queued on the socket comes back as a failed read; the next read goes on.
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            if (errno == EINTR || errno == ECONNREFUSED || errno == EHOSTUNREACH || errno == ENETUNREACH)
                continue;
            return;
        }
        into.push_back(
            {ntohl(from.sin_addr.s_addr), ntohs(from.sin_port), QByteArray(buffer, static_cast<qsizetype>(received))});
    }
}

} // namespace

struct TProbeSockets::TState {
    int WakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    int IcmpFd = -1;
    TEchoAccess Access = TEchoAccess::Failed;
    bool IcmpOpened = false;
    int UdpFd = -1;
    std::set<int> Pending;

    ~TState() {
        CloseIfOpen(WakeFd);
        CloseIfOpen(IcmpFd);
        CloseIfOpen(UdpFd);
        for (const int fd : Pending)
            ::close(fd);
    }
};

TProbeSockets::TProbeSockets() : m_state(std::make_unique<TState>()) {}

TProbeSockets::~TProbeSockets() = default;

TEchoAccess TProbeSockets::EchoAccess() {
    TState& s = *m_state;
    if (s.IcmpOpened)
        return s.Access;
    s.IcmpOpened = true;
    s.IcmpFd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (s.IcmpFd >= 0) {
        // Bound now, so that the identifier the system chose can be read before the first echo.
        const sockaddr_in any = SocketAddress(INADDR_ANY, 0);
        ::bind(s.IcmpFd, reinterpret_cast<const sockaddr*>(&any), sizeof any);
        s.Access = TEchoAccess::Datagram;
        return s.Access;
    }
    s.IcmpFd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (s.IcmpFd >= 0) {
        // A raw socket gets every ICMP message of the host, our own echo requests included: keep only the
        // kinds that can answer an echo, so that the others cost neither reads nor room in the buffer.
        icmp_filter wanted{~(1U << ICMP_ECHOREPLY | 1U << ICMP_DEST_UNREACH | 1U << ICMP_TIME_EXCEEDED)};
        ::setsockopt(s.IcmpFd, SOL_RAW, ICMP_FILTER, &wanted, sizeof wanted);
        s.Access = TEchoAccess::Raw;
    } else
        s.Access = errno == EPERM || errno == EACCES ? TEchoAccess::Denied : TEchoAccess::Failed;
    return s.Access;
}

quint16 TProbeSockets::EchoIdentifier() {
    if (EchoAccess() != TEchoAccess::Datagram)
        return static_cast<quint16>(::getpid());
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(m_state->IcmpFd, reinterpret_cast<sockaddr*>(&bound), &length);
    return ntohs(bound.sin_port);
}

bool TProbeSockets::SendEcho(quint32 address, const QByteArray& message) {
    if (m_state->IcmpFd < 0)
        return false;
    const sockaddr_in target = SocketAddress(address, 0);
    return ::sendto(m_state->IcmpFd, message.constData(), static_cast<size_t>(message.size()), MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&target), sizeof target) >= 0;
}

bool TProbeSockets::SendDatagram(quint32 address, quint16 port, const QByteArray& data) {
    TState& s = *m_state;
    if (s.UdpFd < 0)
        s.UdpFd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s.UdpFd < 0)
        return false;
    const sockaddr_in target = SocketAddress(address, port);
    return ::sendto(s.UdpFd, data.constData(), static_cast<size_t>(data.size()), MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&target), sizeof target) >= 0;
}

TConnectStart TProbeSockets::StartConnect(quint32 address, quint16 port, int& connection) {
    connection = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (connection < 0)
        return errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM ? TConnectStart::OutOfSockets
                                                                                         : TConnectStart::Failed;
    const sockaddr_in target = SocketAddress(address, port);
    if (::connect(connection, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        ::close(connection);
        connection = -1;
        return TConnectStart::Connected;
    }
    if (errno != EINPROGRESS) {
        ::close(connection);
        connection = -1;
        return TConnectStart::Failed;
    }
    m_state->Pending.insert(connection);
    return TConnectStart::Pending;
}

void TProbeSockets::CloseConnection(int connection) {
    if (m_state->Pending.erase(connection) > 0)
        ::close(connection);
}

TProbeEvents TProbeSockets::Wait(int timeoutMs) {
    TState& s = *m_state;
    std::vector<pollfd> entries;
    entries.reserve(3 + s.Pending.size());
    entries.push_back({s.WakeFd, POLLIN, 0});
    entries.push_back({s.IcmpFd, POLLIN, 0});
    entries.push_back({s.UdpFd, POLLIN, 0});
    for (const int fd : s.Pending)
        entries.push_back({fd, POLLOUT, 0});

    TProbeEvents events;
    if (::poll(entries.data(), entries.size(), timeoutMs) <= 0)
        return events;
    if (entries[0].revents) {
        eventfd_t count = 0;
        ::eventfd_read(s.WakeFd, &count);
    }
    if (entries[1].revents)
        Drain(s.IcmpFd, events.IcmpMessages);
    if (entries[2].revents)
        Drain(s.UdpFd, events.Datagrams);
    for (size_t i = 3; i < entries.size(); ++i) {
        if (!entries[i].revents)
            continue;
        // Writable also means "failed": only SO_ERROR tells an established connection from a refused one.
        int error = 0;
        socklen_t length = sizeof error;
        const bool connected = ::getsockopt(entries[i].fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        events.Connections.push_back({entries[i].fd, connected});
    }
    return events;
}

void TProbeSockets::Wake() {
    ::eventfd_write(m_state->WakeFd, 1);
}

} // namespace Platform
