#include "PlatformSockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

namespace Platform {

namespace {

// Each call starts and releases the socket library itself, so calls stay independent of each other.
class TWinsock {
public:
    TWinsock() {
        WSADATA data{};
        m_started = ::WSAStartup(0x0202, &data) == 0;
    }
    ~TWinsock() {
        if (m_started)
            ::WSACleanup();
    }
    TWinsock(const TWinsock&) = delete;
    TWinsock& operator=(const TWinsock&) = delete;
    bool IsStarted() const { return m_started; }

private:
    bool m_started = false;
};

class TSocket {
public:
    explicit TSocket(SOCKET s) : m_socket(s) {}
    ~TSocket() {
        if (m_socket != INVALID_SOCKET)
            ::closesocket(m_socket);
    }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;
    SOCKET Handle() const { return m_socket; }
    bool IsValid() const { return m_socket != INVALID_SOCKET; }

private:
    SOCKET m_socket;
};

sockaddr_in SocketAddress(quint32 address, quint16 port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

timeval TimeVal(quint32 timeoutMs) {
    return {static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
}

void SetNonBlocking(SOCKET s, bool on) {
    u_long mode = on ? 1 : 0;
    ::ioctlsocket(s, FIONBIO, &mode);
}

} // namespace

std::optional<quint32> ParseIPv4(const QString& text) {
    const unsigned long value = ::inet_addr(text.toLocal8Bit().constData());
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
    const TWinsock winsock;
    if (!winsock.IsStarted())
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(hostName.toLocal8Bit().constData(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    std::optional<quint32> result;
    if (found->ai_family == AF_INET && found->ai_addr)
        result = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return result;
}

QString LookupHostName(quint32 address) {
    const TWinsock winsock;
    if (!winsock.IsStarted())
        return {};
    const sockaddr_in target = SocketAddress(address, 0);
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&target), sizeof target, host, sizeof host, nullptr, 0,
                      NI_NAMEREQD) != 0)
        return {};
    return QString::fromLocal8Bit(host);
}

QByteArray UdpRequestReply(quint32 address, quint16 port, const QByteArray& request, quint32 timeoutMs,
                           int maxReplySize) {
    const TWinsock winsock;
    if (!winsock.IsStarted())
        return {};
    const TSocket socket(::socket(AF_INET, SOCK_DGRAM, 0));
    if (!socket.IsValid())
        return {};
    SetNonBlocking(socket.Handle(), true);
    const sockaddr_in target = SocketAddress(address, port);
    ::connect(socket.Handle(), reinterpret_cast<const sockaddr*>(&target), sizeof target);
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket.Handle(), &set);
    timeval wait = TimeVal(timeoutMs);
    if (::select(0, nullptr, &set, nullptr, &wait) == SOCKET_ERROR)
        return {};
    if (::send(socket.Handle(), request.constData(), static_cast<int>(request.size()), 0) == SOCKET_ERROR)
        return {};
    FD_ZERO(&set);
    FD_SET(socket.Handle(), &set);
    wait = TimeVal(timeoutMs);
    if (::select(0, &set, nullptr, nullptr, &wait) == SOCKET_ERROR)
        return {};
    QByteArray reply(maxReplySize, '\0');
    const int received = ::recv(socket.Handle(), reply.data(), static_cast<int>(reply.size()), 0);
    if (received <= 0)
        return {};
    reply.truncate(received);
    return reply;
}

} // namespace Platform
