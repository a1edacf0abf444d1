#include "uReplyMatcher.h"

#include <cstddef>
#include <cstdint>

// Whatever reaches the probe sockets: any ICMP message of the host on a raw socket, and any datagram
// on the UDP socket. The input's first byte picks the socket kind, the next four the sender.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5)
        return 0;
    constexpr quint32 Probed = 0x0A000005;
    constexpr int Probes = 4;
    TReplyMatcher matcher;
    matcher.SetEchoSocket(0x4d21, data[0] & 1);
    for (int i = 0; i < Probes; ++i) {
        matcher.AddEcho(static_cast<quint64>(i), Probed + static_cast<quint32>(i % 2));
        matcher.AddNodeStatus(static_cast<quint64>(Probes + i), Probed + static_cast<quint32>(i % 2));
    }
    const quint32 from = static_cast<quint32>(data[1]) << 24 | static_cast<quint32>(data[2]) << 16 |
                         static_cast<quint32>(data[3]) << 8 | data[4];
    const QByteArray message =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data + 5), static_cast<qsizetype>(size - 5));
    // A message ends at most one probe, of its own kind; only a reply from the probed address answers it.
    const auto echo = matcher.MatchIcmp(message, from);
    if (echo && (echo->Probe >= Probes || (echo->Answered && from != Probed + echo->Probe % 2) ||
                 matcher.Waiting() != 2 * Probes - 1))
        __builtin_trap();
    const auto status = matcher.MatchNodeStatus(message, from);
    if (status && (status->Probe < Probes || from != Probed + status->Probe % 2 || !status->Answered))
        __builtin_trap();
    if (echo && matcher.MatchIcmp(message, from))
        __builtin_trap();
    return 0;
}
