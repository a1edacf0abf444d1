#pragma once

#include <QtGlobal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

namespace Platform {

// A socket descriptor, closed on every way out.
class TSocket {
public:
    explicit TSocket(int fd) : m_fd(fd) {}
    ~TSocket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;
    int Fd() const { return m_fd; }
    bool IsValid() const { return m_fd >= 0; }

private:
    int m_fd;
};

// An IPv4 socket address from host-order values.
inline sockaddr_in SocketAddress(quint32 address, quint16 port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

} // namespace Platform
