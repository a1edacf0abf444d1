#include "NetUtil.h"

#include "PlatformCodePage.h"
#include "PlatformNeighbours.h"
#include "PlatformSockets.h"
#include "uFormat.h"
#include "uHardwareAddress.h"
#include "uProbeEngine.h"
#include "uProgramOptions.h"

#include <QMutex>
#include <QMutexLocker>

#include <optional>

namespace {

constexpr int NameCountOffset = 56;
constexpr int FirstNameOffset = 57;
constexpr int NameEntrySize = 18;
constexpr int NameSize = 15;
constexpr int IcmpHeaderSize = 8;
constexpr int EchoDataSize = 32;
constexpr quint8 IcmpEchoRequestType = 8;

struct TIcmpUnavailableNotice {
    QMutex Lock;
    std::function<void()> Handler;
    bool Told = false;
};

TIcmpUnavailableNotice& IcmpUnavailableNotice() {
    static TIcmpUnavailableNotice notice;
    return notice;
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

qint32 ResponseTime(const TProbeResult& result) {
    return result.Answered ? static_cast<qint32>(qMin<quint32>(result.RoundTripMs, NoAnswer - 1)) : NoAnswer;
}

} // namespace

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

QString CleanComputerName(const QString& text) {
    QString name;
    name.reserve(text.size());
    for (const QChar c : text)
        if (c.category() != QChar::Other_Control)
            name.append(c);
    return name.trimmed();
}

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
        // Only an address is asked: a name would need a lookup first.
        if (!IsIPAddress(address))
            return {};
        return ParseNodeStatusReply(
            TProbeEngine::ProbeOne({address, TProbeMethod::NodeStatus, NetBIOSNamePort, timeoutMs}).Reply);
    } catch (...) {
        return {};
    }
}

qint32 PingHost(const QString& host, quint32 timeoutMs) {
    return ResponseTime(TProbeEngine::ProbeOne({host, TProbeMethod::IcmpEcho, 0, timeoutMs}));
}

qint32 ProbeTCPPort(const QString& host, quint32 timeoutMs, quint16 port) {
    return ResponseTime(TProbeEngine::ProbeOne({host, TProbeMethod::TcpConnect, port, timeoutMs}));
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

TProbeTarget TCheckSettings::Target(const QString& host) const {
    switch (CheckState) {
    case 0:
        return {host, TProbeMethod::IcmpEcho, 0, TimeoutMs};
    case 1:
        return {host, TProbeMethod::TcpConnect, TCPPort, TimeoutMs};
    default:
        return {host, TProbeMethod::None, 0, 0};
    }
}

bool SameProbe(const TProbeTarget& a, const TProbeTarget& b) {
    return a.Host == b.Host && a.Method == b.Method && a.Port == b.Port && a.TimeoutMs == b.TimeoutMs;
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

QByteArray IcmpEchoRequest(quint16 identifier, quint16 sequence) {
    QByteArray request(IcmpHeaderSize + EchoDataSize, '\0');
    request[0] = static_cast<char>(IcmpEchoRequestType);
    request[4] = static_cast<char>(identifier >> 8);
    request[5] = static_cast<char>(identifier);
    request[6] = static_cast<char>(sequence >> 8);
    request[7] = static_cast<char>(sequence);
    quint32 sum = 0;
    for (qsizetype i = 0; i + 1 < request.size(); i += 2)
        sum += static_cast<quint32>(static_cast<quint8>(request[i]) << 8 | static_cast<quint8>(request[i + 1]));
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    request[2] = static_cast<char>(~sum >> 8);
    request[3] = static_cast<char>(~sum);
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

QString ParseNodeStatusUnitId(const QByteArray& reply) {
    if (reply.size() <= NameCountOffset)
        return {};
    const qsizetype unitId =
        FirstNameOffset + qsizetype(static_cast<unsigned char>(reply[NameCountOffset])) * NameEntrySize;
    return FormatHardwareAddress(reply.mid(unitId, HardwareAddressSize));
}

QString NodeStatusHardwareAddress(const QByteArray& reply, quint32 from) {
    if (reply.isEmpty())
        return {};
    const QString unitId = ParseNodeStatusUnitId(reply);
    return unitId.isEmpty() ? FormatHardwareAddress(Platform::NeighbourHardwareAddress(from)) : unitId;
}
