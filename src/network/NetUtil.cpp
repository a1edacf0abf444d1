#include "NetUtil.h"

#include "PlatformCodePage.h"
#include "PlatformIcmp.h"
#include "PlatformSockets.h"
#include "uFormat.h"
#include "uProgramOptions.h"

#include <QMutex>
#include <QMutexLocker>

#include <optional>

namespace {

constexpr quint16 NetBIOSNamePort = 137;
constexpr int NodeStatusReplyBufferSize = 1025;
constexpr int NameCountOffset = 56;
constexpr int FirstNameOffset = 57;
constexpr int NameEntrySize = 18;
constexpr int NameSize = 15;

struct TIcmpUnavailableNotice {
    QMutex Lock;
    std::function<void()> Handler;
    bool Told = false;
};

TIcmpUnavailableNotice& IcmpUnavailableNotice() {
    static TIcmpUnavailableNotice notice;
    return notice;
}

void TellIcmpUnavailable() {
    std::function<void()> handler;
    {
        TIcmpUnavailableNotice& notice = IcmpUnavailableNotice();
        const QMutexLocker locker(&notice.Lock);
        if (notice.Told || !notice.Handler)
            return;
        notice.Told = true;
        handler = notice.Handler;
    }
    handler();
}

// An address is used as it is; anything else is resolved as a host name.
std::optional<quint32> AddressOfHost(const QString& host) {
    if (const auto address = Platform::ParseIPv4(host))
        return address;
    return Platform::LookupIPv4(host);
}

// Leading and trailing blanks and control characters go, as NetBIOS pads names with blanks.
QByteArray TrimmedName(const char* bytes) {
    QByteArray name(bytes, NameSize);
    const qsizetype nul = name.indexOf('\0');
    if (nul >= 0)
        name.truncate(nul);
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && static_cast<unsigned char>(name[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(name[end - 1]) <= ' ')
        --end;
    return name.mid(begin, end - begin);
}

// A unique name that is active, not being deregistered, not in conflict and not permanent; any node type.
bool IsUniqueActiveName(unsigned char flags) {
    return flags == 0x04 || flags == 0x24 || flags == 0x44 || flags == 0x64;
}

} // namespace

bool IsIPAddress(const QString& text) {
    return Platform::ParseIPv4(text).has_value();
}

QString ResolveHostToIP(const QString& hostName) {
    const auto address = Platform::LookupIPv4(hostName);
    return address ? Platform::FormatIPv4(*address) : QString();
}

QString ResolveIPToHostName(const QString& address) {
    const auto value = Platform::ParseIPv4(address);
    return value ? Platform::LookupHostName(*value) : QString();
}

QString GetNetBIOSNameByIP(const QString& address, quint32 timeoutMs) {
    try {
        const auto value = Platform::ParseIPv4(address);
        if (!value)
            return {};
        return ParseNodeStatusReply(Platform::UdpRequestReply(*value, NetBIOSNamePort, NodeStatusRequest(), timeoutMs,
                                                              NodeStatusReplyBufferSize));
    } catch (...) {
        return {};
    }
}

qint32 PingHost(const QString& host, quint32 timeoutMs) {
    try {
        const auto address = AddressOfHost(host);
        if (!address)
            return NoAnswer;
        const Platform::TEchoResult echo = Platform::SendIcmpEcho(*address, timeoutMs);
        if (echo.Status == Platform::TEchoStatus::Unavailable)
            TellIcmpUnavailable();
        if (echo.Status != Platform::TEchoStatus::Reply)
            return NoAnswer;
        return static_cast<qint32>(qMin<quint32>(echo.RoundTripMs, NoAnswer - 1));
    } catch (...) {
        return NoAnswer;
    }
}

qint32 ProbeTCPPort(const QString& host, quint32 timeoutMs, quint16 port) {
    const auto address = AddressOfHost(host);
    if (!address)
        return NoAnswer;
    const auto elapsed = Platform::TimedTcpConnect(*address, port, timeoutMs);
    return elapsed ? static_cast<qint32>(qMin<quint32>(*elapsed, NoAnswer - 1)) : NoAnswer;
}

bool GetIPRangeByMask(const QString& address, const QString& mask, QString& firstIP, QString& lastIP) {
    firstIP.clear();
    lastIP.clear();
    const auto value = Platform::ParseIPv4(address);
    const auto maskValue = Platform::ParseIPv4(mask);
    if (!value || !maskValue)
        return false;
    const quint32 network = *value & *maskValue;
    const quint32 broadcast = network + ~*maskValue;
    lastIP = Platform::FormatIPv4(broadcast - 1);
    firstIP = Platform::FormatIPv4(network + 1);
    return !firstIP.isEmpty() && !lastIP.isEmpty();
}

QString FormatIPRange(const QString& addressA, const QString& addressB) {
    const quint32 a = Platform::ParseIPv4(addressA).value_or(0xFFFFFFFFu);
    const quint32 b = Platform::ParseIPv4(addressB).value_or(0xFFFFFFFFu);
    const bool aFirst = a <= b;
    return Format(QStringLiteral("%s-%s"), {aFirst ? addressA : addressB, aFirst ? addressB : addressA});
}

TCheckSettings TCheckSettings::FromOptions(const TProgramOptions& options) {
    return {options.DefaultCheckState, static_cast<quint32>(qMax(0, options.DefaultTimeout)), options.DefaultTCPPort};
}

bool IsComputerReachable(const QString& host, const TCheckSettings& check) {
    switch (check.CheckState) {
    case 0:
        return PingHost(host, check.TimeoutMs) != NoAnswer;
    case 1:
        return ProbeTCPPort(host, check.TimeoutMs, check.TCPPort) != NoAnswer;
    default:
        return true;
    }
}

qint32 GetComputerResponseTime(const QString& host, const TCheckSettings& check) {
    switch (check.CheckState) {
    case -1:
        return 0;
    case 0:
        return PingHost(host, check.TimeoutMs);
    case 1:
        return ProbeTCPPort(host, check.TimeoutMs, check.TCPPort);
    default:
        return NoAnswer;
    }
}

void SetIcmpUnavailableHandler(std::function<void()> handler) {
    TIcmpUnavailableNotice& notice = IcmpUnavailableNotice();
    const QMutexLocker locker(&notice.Lock);
    notice.Handler = std::move(handler);
    notice.Told = false;
}

QByteArray NodeStatusRequest() {
    QByteArray request = QByteArray::fromHex("80be"
                                             "0000"
                                             "0001"
                                             "0000"
                                             "0000"
                                             "0000"
                                             "20");
    request += "CK";
    request += QByteArray(30, 'A');
    request += QByteArray::fromHex("00"
                                   "0021"
                                   "0001");
    return request;
}

QString ParseNodeStatusReply(const QByteArray& reply) {
    if (reply.size() <= NameCountOffset)
        return {};
    const int count = static_cast<unsigned char>(reply[NameCountOffset]);
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = FirstNameOffset + qsizetype(i) * NameEntrySize;
        if (entry + NameEntrySize > reply.size())
            break;
        const unsigned char suffix = static_cast<unsigned char>(reply[entry + NameSize]);
        const unsigned char flags = static_cast<unsigned char>(reply[entry + NameSize + 1]);
        if (!IsUniqueActiveName(flags) || (suffix != 0x00 && suffix != 0x01))
            continue;
        const QString name = Platform::OemToUnicode(TrimmedName(reply.constData() + entry));
        if (!name.contains(QLatin1Char('~')))
            return name;
    }
    return {};
}
