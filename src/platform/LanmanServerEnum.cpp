#include "LanmanServerEnum.h"

#include "PosixSocket.h"

#include <QtEndian>

#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Lanman {

namespace {

constexpr quint16 NetBiosNamePort = 137;
constexpr quint16 DirectSmbPort = 445;
constexpr int SmbHeaderSize = 32;
constexpr int MaxAnswerSize = 4 * 1024 * 1024; // a browse list of tens of thousands of servers fits
constexpr int ServerInfo1Size = 26;

using Platform::TSocket;

TSocket NewSocket(int type) {
    return TSocket(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
}

bool WaitFor(const TSocket& socket, short events, int timeoutMs) {
    pollfd entry{socket.Fd(), events, 0};
    int result;
    do
        result = ::poll(&entry, 1, timeoutMs);
    while (result < 0 && errno == EINTR);
    return result > 0;
}

void PutLe16(QByteArray& bytes, quint16 value) {
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}
void PutLe32(QByteArray& bytes, quint32 value) {
    PutLe16(bytes, quint16(value & 0xFFFF));
    PutLe16(bytes, quint16(value >> 16));
}
// Byte by byte: GCC's bounds check sees a word read through QByteArray's shared empty array otherwise.
quint16 Le16(const QByteArray& bytes, qsizetype at) {
    return quint16(quint8(bytes.at(at)) | quint8(bytes.at(at + 1)) << 8);
}
quint32 Le32(const QByteArray& bytes, qsizetype at) {
    return Le16(bytes, at) | quint32(Le16(bytes, at + 2)) << 16;
}

// One SMB1 exchange partner over direct TCP: each message is framed by a four-byte length.
class TSmbConnection {
public:
    TSmbConnection(const QString& address, int timeoutMs) : m_socket(NewSocket(SOCK_STREAM)), m_timeoutMs(timeoutMs) {
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(DirectSmbPort);
        if (m_socket.Fd() < 0 || ::inet_pton(AF_INET, address.toLatin1().constData(), &peer.sin_addr) != 1)
            return;
        m_connected = ::connect(m_socket.Fd(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
    }
    bool Connected() const { return m_connected; }

    // Sends one command and gives the answer: the whole message from the SMB header on; empty on failure
    // or when the answer reports an error.
    QByteArray Exchange(quint8 command, const QByteArray& words, const QByteArray& bytes) {
        QByteArray message("\xFFSMB", 4);
        message.append(char(command));
        PutLe32(message, 0);        // status
        message.append(char(0x18)); // case-insensitive, canonical paths
        PutLe16(message, 0x4001);   // 32-bit status codes, long names
        message.append(QByteArray(12, '\0'));
        PutLe16(message, m_tid);
        PutLe16(message, 0xFEFF); // process id
        PutLe16(message, m_uid);
        PutLe16(message, ++m_mid);
        message.append(char(words.size() / 2));
        message.append(words);
        PutLe16(message, quint16(bytes.size()));
        message.append(bytes);
        QByteArray framed(4, '\0');
        qToBigEndian<quint32>(quint32(message.size()), framed.data());
        if (!Send(framed + message))
            return {};
        return Receive(command);
    }

    // The next answer to the command; empty on failure or an error status.
    QByteArray Receive(quint8 command) {
        const QByteArray frame = Read(4);
        if (frame.size() != 4)
            return {};
        const quint32 length = qFromBigEndian<quint32>(frame.constData()) & 0xFFFFFF;
        if (length < SmbHeaderSize + 3 || length > MaxAnswerSize)
            return {};
        QByteArray answer = Read(length);
        if (answer.size() != qsizetype(length) || !answer.startsWith("\xFFSMB") || quint8(answer[4]) != command ||
            Le32(answer, 5) != 0)
            return {};
        m_uid = m_uid ? m_uid : Le16(answer, 28);
        m_tid = m_tid ? m_tid : Le16(answer, 24);
        return answer;
    }

    void SetTid(quint16 tid) { m_tid = tid; }
    void SetUid(quint16 uid) { m_uid = uid; }

private:
    bool Send(const QByteArray& bytes) {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            if (!WaitFor(m_socket, POLLOUT, m_timeoutMs))
                return false;
            const ssize_t count = ::send(m_socket.Fd(), bytes.constData() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (count <= 0)
                return false;
            sent += count;
        }
        return true;
    }
    QByteArray Read(qsizetype size) {
        QByteArray bytes(size, '\0');
        qsizetype read = 0;
        while (read < size) {
            if (!WaitFor(m_socket, POLLIN, m_timeoutMs))
                return {};
            const ssize_t count = ::recv(m_socket.Fd(), bytes.data() + read, size - read, 0);
            if (count <= 0)
                return {};
            read += count;
        }
        return bytes;
    }

    TSocket m_socket;
    int m_timeoutMs;
    bool m_connected = false;
    quint16 m_tid = 0;
    quint16 m_uid = 0;
    quint16 m_mid = 0;
};

// The word block of an answer, and its byte block.
struct TBlocks {
    QByteArray Words;
    QByteArray Bytes;
};
std::optional<TBlocks> Blocks(const QByteArray& answer) {
    if (answer.size() < SmbHeaderSize + 1)
        return std::nullopt;
    const int wordCount = quint8(answer[SmbHeaderSize]);
    const qsizetype bytesAt = SmbHeaderSize + 1 + 2 * wordCount;
    if (answer.size() < bytesAt + 2)
        return std::nullopt;
    const quint16 byteCount = Le16(answer, bytesAt);
    if (answer.size() < bytesAt + 2 + byteCount)
        return std::nullopt;
    return TBlocks{answer.mid(SmbHeaderSize + 1, 2 * wordCount), answer.mid(bytesAt + 2, byteCount)};
}

QByteArray NetBiosEncodedName(const QString& name, quint8 suffix) {
    QByteArray plain = name.toUpper().toLatin1().left(15);
    plain = plain.leftJustified(15, ' ');
    plain.append(char(suffix));
    QByteArray encoded;
    encoded.append(char(32));
    for (const char c : std::as_const(plain)) {
        encoded.append(char('A' + (quint8(c) >> 4)));
        encoded.append(char('A' + (quint8(c) & 0x0F)));
    }
    encoded.append('\0');
    return encoded;
}

QList<in_addr> BroadcastAddresses() {
    QList<in_addr> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return addresses;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next)
        // The subnet's broadcast address follows from address and mask; an address added without one
        // reports none.
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET && entry->ifa_netmask &&
            (entry->ifa_flags & IFF_UP) && (entry->ifa_flags & IFF_BROADCAST)) {
            in_addr broadcast = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
            broadcast.s_addr |= ~reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr;
            addresses.append(broadcast);
        }
    ::freeifaddrs(list);
    return addresses;
}

} // namespace

QByteArray NameQueryRequest(const QString& name, quint8 suffix, quint16 transactionId) {
    QByteArray request;
    request.append(char(transactionId >> 8));
    request.append(char(transactionId & 0xFF));
    request.append("\x01\x10", 2); // recursion desired, broadcast
    request.append("\x00\x01\x00\x00\x00\x00\x00\x00", 8);
    request.append(NetBiosEncodedName(name, suffix));
    request.append("\x00\x20\x00\x01", 4); // NB, IN
    return request;
}

QString FindMasterBrowser(const QString& workgroup, int timeoutMs) {
    const TSocket socket = NewSocket(SOCK_DGRAM);
    const int yes = 1;
    if (socket.Fd() < 0 || ::setsockopt(socket.Fd(), SOL_SOCKET, SO_BROADCAST, &yes, sizeof yes) != 0)
        return {};
    const quint16 id = quint16(::getpid());
    const QByteArray request = NameQueryRequest(workgroup, 0x1D, id);
    for (const in_addr& broadcast : BroadcastAddresses()) {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(NetBiosNamePort);
        target.sin_addr = broadcast;
        ::sendto(socket.Fd(), request.constData(), request.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                 sizeof target);
    }
    while (WaitFor(socket, POLLIN, timeoutMs)) {
        char reply[576];
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t size =
            ::recvfrom(socket.Fd(), reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
        // A positive answer to our question: our id, the response bit, result code 0, one answer.
        if (size >= 12 && quint8(reply[0]) == (id >> 8) && quint8(reply[1]) == (id & 0xFF) &&
            (quint8(reply[2]) & 0x80) && (quint8(reply[3]) & 0x0F) == 0 && reply[7] != 0) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
            return QString::fromLatin1(text);
        }
    }
    return {};
}

std::optional<QStringList> ParseServerEnumAnswer(const QByteArray& parameters, const QByteArray& data) {
    if (parameters.size() < 8)
        return std::nullopt;
    const quint16 status = Le16(parameters, 0);
    if (status != 0 && status != 234) // 234: more data than fit; what came is still a list
        return std::nullopt;
    const quint16 converter = Le16(parameters, 2);
    const quint16 entries = Le16(parameters, 4);
    (void)converter; // the comments it converts are not read
    QStringList names;
    for (qsizetype i = 0; i < entries && (i + 1) * ServerInfo1Size <= data.size(); ++i) {
        const QByteArray field = data.mid(i * ServerInfo1Size, 16);
        names.append(QString::fromLatin1(field.left(qstrnlen(field.constData(), 16))));
    }
    return names;
}

std::optional<QStringList> ServerEnum(const QString& address, const QString& workgroup, quint32 serverTypes,
                                      int timeoutMs) {
    TSmbConnection smb(address, timeoutMs);
    if (!smb.Connected())
        return std::nullopt;
    const QByteArray negotiate = smb.Exchange(0x72, {}, QByteArray("\x02NT LM 0.12", 12));
    const auto negotiated = Blocks(negotiate);
    if (!negotiated || negotiated->Words.size() < 34 || Le16(negotiated->Words, 0) != 0)
        return std::nullopt;
    const quint32 sessionKey = Le32(negotiated->Words, 15);

    // An anonymous session: no account, no password.
    QByteArray words;
    words.append("\xFF\x00", 2);
    PutLe16(words, 0);      // AndX offset
    PutLe16(words, 0xFFFF); // our buffer size
    PutLe16(words, 1);      // requests in flight
    PutLe16(words, 0);      // virtual circuit
    PutLe32(words, sessionKey);
    PutLe16(words, 0); // OEM password length
    PutLe16(words, 0); // Unicode password length
    PutLe32(words, 0);
    PutLe32(words, 0); // capabilities
    if (smb.Exchange(0x73, words, QByteArray("\0\0Unix\0Dormiva\0", 16)).isEmpty())
        return std::nullopt;

    words.clear();
    words.append("\xFF\x00", 2);
    PutLe16(words, 0); // AndX offset
    PutLe16(words, 0); // flags
    PutLe16(words, 1); // password length
    QByteArray path("\0", 1);
    path.append(QStringLiteral("\\\\%1\\IPC$").arg(address).toLatin1());
    path.append("\0IPC\0", 5);
    if (smb.Exchange(0x75, words, path).isEmpty())
        return std::nullopt;

    QByteArray parameters;
    PutLe16(parameters, 104); // NetServerEnum2
    parameters.append("WrLehDz\0B16BBDz\0", 16);
    PutLe16(parameters, 1);      // level
    PutLe16(parameters, 0xFFFF); // receive buffer
    PutLe32(parameters, serverTypes);
    parameters.append(workgroup.toUpper().toLatin1());
    parameters.append('\0');
    const QByteArray name("\\PIPE\\LANMAN\0", 13);
    const quint16 parameterOffset = SmbHeaderSize + 1 + 14 * 2 + 2 + name.size();
    words.clear();
    PutLe16(words, quint16(parameters.size())); // total parameters
    PutLe16(words, 0);                          // total data
    PutLe16(words, 8);                          // answer parameters at most
    PutLe16(words, 0xFFFF);                     // answer data at most
    words.append("\0\0", 2);                    // setup words, reserved
    PutLe16(words, 0);                          // flags
    PutLe32(words, 0);                          // time-out
    PutLe16(words, 0);
    PutLe16(words, quint16(parameters.size()));
    PutLe16(words, parameterOffset);
    PutLe16(words, 0);
    PutLe16(words, quint16(parameterOffset + parameters.size()));
    words.append("\0\0", 2); // no setup words
    QByteArray answer = smb.Exchange(0x25, words, name + parameters);

    // A long answer comes in parts; each says where its pieces go.
    QByteArray answerParameters;
    QByteArray answerData;
    while (true) {
        const auto blocks = Blocks(answer);
        if (!blocks || blocks->Words.size() < 20)
            return std::nullopt;
        const QByteArray& w = blocks->Words;
        const quint16 totalParameters = Le16(w, 0);
        const quint16 totalData = Le16(w, 2);
        const auto piece = [&answer](QByteArray& into, quint16 count, quint16 offset, quint16 displacement,
                                     quint16 total) {
            if (qsizetype(offset) + count > answer.size() || qsizetype(displacement) + count > total)
                return false;
            into.resize(total);
            std::copy_n(answer.constData() + offset, count, into.data() + displacement);
            return true;
        };
        if (!piece(answerParameters, Le16(w, 6), Le16(w, 8), Le16(w, 10), totalParameters) ||
            !piece(answerData, Le16(w, 12), Le16(w, 14), Le16(w, 16), totalData))
            return std::nullopt;
        if (Le16(w, 10) + Le16(w, 6) >= totalParameters && Le16(w, 16) + Le16(w, 12) >= totalData)
            break;
        answer = smb.Receive(0x25);
    }
    return ParseServerEnumAnswer(answerParameters, answerData);
}

} // namespace Lanman
