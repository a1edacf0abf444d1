#include "uReplyMatcher.h"

namespace {

constexpr int IcmpHeaderSize = 8;
constexpr int MinIpHeaderSize = 20;
constexpr quint8 EchoReply = 0;
constexpr quint8 DestinationUnreachable = 3;
constexpr quint8 EchoRequest = 8;
constexpr quint8 TimeExceeded = 11;

quint16 ReadBE16(const QByteArray& data, qsizetype at) {
    return static_cast<quint16>(static_cast<quint8>(data[at]) << 8 | static_cast<quint8>(data[at + 1]));
}

quint32 ReadBE32(const QByteArray& data, qsizetype at) {
    return static_cast<quint32>(ReadBE16(data, at)) << 16 | ReadBE16(data, at + 2);
}

// Where the IP header that starts at offset ends; none when it does not fit.
std::optional<qsizetype> PastIpHeader(const QByteArray& data, qsizetype offset) {
    if (data.size() < offset + MinIpHeaderSize)
        return std::nullopt;
    const qsizetype length = (static_cast<quint8>(data[offset]) & 0x0F) * 4;
    if (length < MinIpHeaderSize || data.size() < offset + length)
        return std::nullopt;
    return offset + length;
}

} // namespace

void TReplyMatcher::SetEchoSocket(quint16 identifier, bool behindIpHeader) {
    m_echoIdentifier = identifier;
    m_behindIpHeader = behindIpHeader;
}

quint16 TReplyMatcher::AddEcho(quint64 probe, quint32 address) {
    return Add(m_echoes, m_nextSequence, probe, address);
}

quint16 TReplyMatcher::AddNodeStatus(quint64 probe, quint32 address) {
    return Add(m_nodeStatus, m_nextTransaction, probe, address);
}

quint16 TReplyMatcher::Add(TTable& table, quint16& next, quint64 probe, quint32 address) {
    // A tag still waiting is skipped, so that a reply can never be taken for another probe's.
    while (table.contains(next))
        ++next;
    const quint16 tag = next++;
    table.insert(tag, {probe, address});
    return tag;
}

std::optional<TReplyMatcher::TMatch> TReplyMatcher::Take(TTable& table, quint16 tag, quint32 address, bool answered) {
    const auto found = table.constFind(tag);
    if (found == table.constEnd() || found->Address != address)
        return std::nullopt;
    const TMatch match{found->Probe, answered};
    table.erase(found);
    return match;
}

std::optional<TReplyMatcher::TMatch> TReplyMatcher::MatchIcmp(const QByteArray& message, quint32 from) {
    qsizetype icmp = 0;
    if (m_behindIpHeader) {
        const auto past = PastIpHeader(message, 0);
        if (!past)
            return std::nullopt;
        icmp = *past;
    }
    if (message.size() < icmp + IcmpHeaderSize)
        return std::nullopt;
    const quint8 type = static_cast<quint8>(message[icmp]);
    if (type == EchoReply) {
        if (ReadBE16(message, icmp + 4) != m_echoIdentifier)
            return std::nullopt;
        return Take(m_echoes, ReadBE16(message, icmp + 6), from, true);
    }
    if (type != DestinationUnreachable && type != TimeExceeded)
        return std::nullopt;
    // The error quotes the IP header and the first 8 bytes of the request it is about.
    const qsizetype quotedIp = icmp + IcmpHeaderSize;
    const auto quoted = PastIpHeader(message, quotedIp);
    if (!quoted || message.size() < *quoted + IcmpHeaderSize)
        return std::nullopt;
    if (static_cast<quint8>(message[*quoted]) != EchoRequest || ReadBE16(message, *quoted + 4) != m_echoIdentifier)
        return std::nullopt;
    const quint32 target = ReadBE32(message, quotedIp + 16);
    return Take(m_echoes, ReadBE16(message, *quoted + 6), target, false);
}

std::optional<TReplyMatcher::TMatch> TReplyMatcher::MatchNodeStatus(const QByteArray& message, quint32 from) {
    if (message.size() < 2)
        return std::nullopt;
    return Take(m_nodeStatus, ReadBE16(message, 0), from, true);
}
