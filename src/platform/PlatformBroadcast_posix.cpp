#include "PlatformBroadcast.h"

#include "PosixSocket.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>

namespace Platform {

namespace {

QString LastError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString SendBroadcastDatagram(quint32 address, quint16 port, const QByteArray& data) {
    const TSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket.IsValid())
        return LastError();
    const int on = 1;
    if (::setsockopt(socket.Fd(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
        return LastError();
    const sockaddr_in target = SocketAddress(address, port);
    const ssize_t sent = ::sendto(socket.Fd(), data.constData(), static_cast<size_t>(data.size()), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (sent < 0)
        return LastError();
    return {};
}

} // namespace Platform
