#include "PlatformSockets.h"

#include "PosixSocket.h"

#include <algorithm>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <climits>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Platform {

namespace {

using TClock = std::chrono::steady_clock;

int RemainingMs(TClock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(qMin<long long>(left, INT_MAX));
}

// Waits for the events until the deadline, riding over interruptions by signals.
// Gives the events that arrived, 0 on time-out, -1 on error.
int WaitFor(int fd, short events, TClock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int rc = ::poll(&entry, 1, RemainingMs(deadline));
        if (rc > 0)
            return entry.revents;
        if (rc == 0)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}

TClock::time_point DeadlineAfter(quint32 timeoutMs) {
    return TClock::now() + std::chrono::milliseconds(timeoutMs);
}

} // namespace

std::optional<quint32> ParseIPv4(const QString& text) {
    const in_addr_t value = ::inet_addr(text.toUtf8().constData());
    if (value == INADDR_NONE)
        return std::nullopt;
    return ntohl(value);
}

QString FormatIPv4(quint32 address) {
    in_addr value{};
    value.s_addr = htonl(address);
    char buffer[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &value, buffer, sizeof buffer);
    return QString::fromLatin1(buffer);
}

std::optional<quint32> LookupIPv4(const QString& hostName) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(hostName.toUtf8().constData(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    std::optional<quint32> result;
    if (found->ai_family == AF_INET && found->ai_addr)
        result = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return result;
}

QString LookupHostName(quint32 address) {
    const sockaddr_in target = SocketAddress(address, 0);
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&target), sizeof target, host, sizeof host, nullptr, 0,
                      NI_NAMEREQD) != 0)
        return {};
    return QString::fromUtf8(host);
}

QByteArray UdpRequestReply(quint32 address, quint16 port, const QByteArray& request, quint32 timeoutMs,
                           int maxReplySize) {
    const TSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.IsValid())
        return {};
    const sockaddr_in target = SocketAddress(address, port);
    // Connected, the socket hears only this peer and learns of an unreachable port.
    ::connect(socket.Fd(), reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (WaitFor(socket.Fd(), POLLOUT, DeadlineAfter(timeoutMs)) < 0)
        return {};
    if (::send(socket.Fd(), request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL) < 0)
        return {};
    if (WaitFor(socket.Fd(), POLLIN, DeadlineAfter(timeoutMs)) < 0)
        return {};
    QByteArray reply(maxReplySize, '\0');
    const ssize_t received = ::recv(socket.Fd(), reply.data(), static_cast<size_t>(reply.size()), MSG_DONTWAIT);
    if (received <= 0)
        return {};
    reply.truncate(static_cast<qsizetype>(received));
    return reply;
}

} // namespace Platform
