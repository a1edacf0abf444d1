#pragma once

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

} // namespace Platform
