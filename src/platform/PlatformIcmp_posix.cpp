#include "PlatformIcmp.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Platform {

namespace {

using TClock = std::chrono::steady_clock;

constexpr int EchoDataSize = 32;
constexpr int IcmpHeaderSize = 8;

class TEchoSocket {
public:
    // An unprivileged ICMP datagram socket where the system allows one, else a raw socket.
    TEchoSocket() {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (m_fd >= 0)
            return;
        m_raw = true;
        m_fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        m_denied = m_fd < 0 && (errno == EPERM || errno == EACCES);
    }
    ~TEchoSocket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TEchoSocket(const TEchoSocket&) = delete;
    TEchoSocket& operator=(const TEchoSocket&) = delete;

    int Fd() const { return m_fd; }
    bool IsRaw() const { return m_raw; }
    bool IsDenied() const { return m_denied; }

private:
    int m_fd = -1;
    bool m_raw = false;
    bool m_denied = false;
};

quint16 Checksum(const quint8* data, int size) {
    quint32 sum = 0;
    for (int i = 0; i + 1 < size; i += 2)
        sum += static_cast<quint32>(data[i] << 8 | data[i + 1]);
    if (size % 2)
        sum += static_cast<quint32>(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<quint16>(~sum);
}

quint16 ReadBE16(const quint8* data) {
    return static_cast<quint16>(data[0] << 8 | data[1]);
}

// A raw socket sees every ICMP message of the host: the identifier and sequence number pick ours out
// of the replies of concurrent probes.
quint16 NextSequence() {
    static std::atomic<quint16> sequence{0};
    return ++sequence;
}

enum class TMatch { Other, Reply, Unreachable };

// Classifies one received message; a raw socket delivers it behind its IP header.
TMatch Classify(const quint8* data, int size, bool raw, quint16 id, quint16 sequence) {
    int offset = 0;
    if (raw) {
        if (size < 20)
            return TMatch::Other;
        offset = (data[0] & 0x0F) * 4;
    }
    if (size < offset + IcmpHeaderSize)
        return TMatch::Other;
    const quint8* icmp = data + offset;
    // The datagram socket's identifier is set by the system; the system also filters by it.
    const bool idMatches = !raw || ReadBE16(icmp + 4) == id;
    if (icmp[0] == ICMP_ECHOREPLY)
        return idMatches && ReadBE16(icmp + 6) == sequence ? TMatch::Reply : TMatch::Other;
    if (raw && (icmp[0] == ICMP_DEST_UNREACH || icmp[0] == ICMP_TIME_EXCEEDED)) {
        // The error quotes the IP header and the first 8 bytes of our request.
        const int inner = offset + IcmpHeaderSize;
        if (size < inner + 20)
            return TMatch::Other;
        const int quoted = inner + (data[inner] & 0x0F) * 4;
        if (size < quoted + IcmpHeaderSize)
            return TMatch::Other;
        const quint8* request = data + quoted;
        if (request[0] == ICMP_ECHO && ReadBE16(request + 4) == id && ReadBE16(request + 6) == sequence)
            return TMatch::Unreachable;
    }
    return TMatch::Other;
}

} // namespace

TEchoResult SendIcmpEcho(quint32 address, quint32 timeoutMs) {
    const TEchoSocket socket;
    if (socket.Fd() < 0)
        return {socket.IsDenied() ? TEchoStatus::Unavailable : TEchoStatus::NoReply, 0};

    const quint16 id = static_cast<quint16>(::getpid());
    const quint16 sequence = NextSequence();
    std::array<quint8, IcmpHeaderSize + EchoDataSize> request{};
    request[0] = ICMP_ECHO;
    request[4] = static_cast<quint8>(id >> 8);
    request[5] = static_cast<quint8>(id);
    request[6] = static_cast<quint8>(sequence >> 8);
    request[7] = static_cast<quint8>(sequence);
    const quint16 sum = Checksum(request.data(), static_cast<int>(request.size()));
    request[2] = static_cast<quint8>(sum >> 8);
    request[3] = static_cast<quint8>(sum);

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(address);
    const auto start = TClock::now();
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    if (::sendto(socket.Fd(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                 sizeof target) < 0)
        return {};

    std::array<quint8, 1500> reply{};
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
        if (left <= 0)
            return {};
        pollfd entry{socket.Fd(), POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(qMin<long long>(left, INT_MAX)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {};
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = ::recvfrom(socket.Fd(), reply.data(), reply.size(), MSG_DONTWAIT,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            return {}; // the datagram socket reports an unreachable host this way
        }
        const TMatch match = Classify(reply.data(), static_cast<int>(received), socket.IsRaw(), id, sequence);
        if (match == TMatch::Unreachable)
            return {};
        if (match == TMatch::Reply && ntohl(from.sin_addr.s_addr) == address) {
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
            return {TEchoStatus::Reply, static_cast<quint32>(std::clamp<long long>(elapsed, 0, timeoutMs))};
        }
    }
}

} // namespace Platform
