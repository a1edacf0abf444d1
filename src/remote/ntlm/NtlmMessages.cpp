#include "NtlmMessages.h"

#include "LangChanger.h"
#include "NtlmCrypto.h"
#include "NtlmError.h"
#include "uFormat.h"

#include <QtEndian>

namespace Ntlm {

namespace {

constexpr char Signature[] = "NTLMSSP"; // with its terminating zero: 8 bytes
constexpr int SignatureLength = 8;
constexpr quint32 NegotiateType = 1;
constexpr quint32 ChallengeType = 2;
constexpr quint32 AuthenticateType = 3;
// Windows 10.0.19041, NTLM revision 15.
constexpr char VersionField[] = {0x0a, 0x00, 0x61, 0x4a, 0x00, 0x00, 0x00, 0x0f};

constexpr int NegotiateHeader = 40;
constexpr int ChallengeMinimum = 32;
constexpr int ChallengeWithTargetInfo = 48;
constexpr int ChallengeHeader = 56;
constexpr int AuthenticateMinimum = 64;
constexpr int AuthenticateHeader = MicOffset + MicLength;

[[noreturn]] void Malformed(const char* kind) {
    throw TNtlmError(Format(LangStr(QStringLiteral("sNtlmMalformedMessage")), {QString::fromLatin1(kind)}));
}

// Reads a message whose every access is checked against its size.
class TReader {
public:
    TReader(QByteArrayView message, const char* kind) : m_message(message), m_kind(kind) {}

    void Expect(quint32 type, int minimumSize) const {
        if (m_message.size() < minimumSize || m_message.first(SignatureLength) != QByteArrayView(Signature, 8) ||
            U32(8) != type)
            Malformed(m_kind);
    }
    quint16 U16(qsizetype at) const { return qFromLittleEndian<quint16>(Bytes(at, 2).data()); }
    quint32 U32(qsizetype at) const { return qFromLittleEndian<quint32>(Bytes(at, 4).data()); }
    QByteArrayView Bytes(qsizetype at, qsizetype length) const {
        if (at < 0 || length < 0 || at > m_message.size() || length > m_message.size() - at)
            Malformed(m_kind);
        return m_message.sliced(at, length);
    }
    // A security buffer: length, maximum length and offset of a field in the payload.
    QByteArrayView Field(qsizetype at) const { return Bytes(U32(at + 4), U16(at)); }
    QString Text(qsizetype at, bool unicode) const {
        const QByteArrayView bytes = Field(at);
        if (!unicode)
            return QString::fromLatin1(bytes);
        if (bytes.size() % 2)
            Malformed(m_kind);
        return FromUtf16Le(bytes);
    }
    qsizetype Size() const { return m_message.size(); }

private:
    QByteArrayView m_message;
    const char* m_kind;
};

// Builds a message: the fixed header first, the variable fields appended to the payload behind it.
class TWriter {
public:
    TWriter(quint32 type, int headerSize) : m_message(headerSize, '\0') {
        m_message.replace(0, SignatureLength, QByteArrayView(Signature, SignatureLength));
        U32(8, type);
    }
    void U32(int at, quint32 value) { qToLittleEndian(value, m_message.data() + at); }
    void Field(int at, QByteArrayView value) {
        if (value.size() > 0xffff)
            Malformed("NTLM");
        const auto length = quint16(value.size());
        qToLittleEndian(length, m_message.data() + at);
        qToLittleEndian(length, m_message.data() + at + 2);
        U32(at + 4, quint32(m_message.size()));
        m_message.append(value);
    }
    void Put(int at, QByteArrayView value) { m_message.replace(at, value.size(), value); }
    QByteArray Take() { return std::move(m_message); }

private:
    QByteArray m_message;
};

} // namespace

QList<TAvPair> ParseTargetInfo(QByteArrayView targetInfo, const char* messageKind) {
    const TReader reader(targetInfo, messageKind);
    QList<TAvPair> pairs;
    if (targetInfo.isEmpty())
        return pairs;
    for (qsizetype at = 0;;) {
        const quint16 id = reader.U16(at);
        const quint16 length = reader.U16(at + 2);
        if (id == AvId::Eol)
            return pairs;
        pairs.append({id, reader.Bytes(at + 4, length).toByteArray()});
        at += 4 + length;
    }
}

QByteArray EncodeTargetInfo(const QList<TAvPair>& pairs) {
    QByteArray encoded;
    char header[4];
    for (const TAvPair& pair : pairs) {
        qToLittleEndian(pair.Id, header);
        qToLittleEndian(quint16(pair.Value.size()), header + 2);
        encoded.append(header, 4).append(pair.Value);
    }
    return encoded.append(4, '\0');
}

QByteArray AvValue(const QList<TAvPair>& pairs, quint16 id) {
    for (const TAvPair& pair : pairs)
        if (pair.Id == id)
            return pair.Value;
    return {};
}

QByteArray EncodeNegotiate(quint32 flags) {
    TWriter writer(NegotiateType, NegotiateHeader);
    writer.U32(12, flags);
    writer.U32(20, NegotiateHeader); // empty domain and workstation fields point at the payload
    writer.U32(28, NegotiateHeader);
    writer.Put(32, QByteArrayView(VersionField, 8));
    return writer.Take();
}

quint32 ParseNegotiate(QByteArrayView message) {
    const TReader reader(message, "NEGOTIATE");
    reader.Expect(NegotiateType, 16);
    return reader.U32(12);
}

QByteArray EncodeChallenge(const TChallengeMessage& challenge) {
    TWriter writer(ChallengeType, ChallengeHeader);
    writer.U32(20, challenge.Flags);
    writer.Put(24, challenge.ServerChallenge.left(8));
    writer.Put(48, QByteArrayView(VersionField, 8));
    writer.Field(12, Utf16Le(challenge.TargetName));
    writer.Field(40, challenge.TargetInfo);
    return writer.Take();
}

TChallengeMessage ParseChallenge(QByteArrayView message) {
    const TReader reader(message, "CHALLENGE");
    reader.Expect(ChallengeType, ChallengeMinimum);
    TChallengeMessage challenge;
    challenge.Flags = reader.U32(20);
    challenge.ServerChallenge = reader.Bytes(24, 8).toByteArray();
    challenge.TargetName = reader.Text(12, challenge.Flags & NegotiateFlag::Unicode);
    if (reader.Size() >= ChallengeWithTargetInfo && (challenge.Flags & NegotiateFlag::TargetInfo)) {
        challenge.TargetInfo = reader.Field(40).toByteArray();
        ParseTargetInfo(challenge.TargetInfo); // refuse a malformed list before anyone relies on it
    }
    return challenge;
}

QByteArray EncodeAuthenticate(const TAuthenticateMessage& authenticate) {
    TWriter writer(AuthenticateType, AuthenticateHeader);
    writer.U32(60, authenticate.Flags);
    writer.Put(64, QByteArrayView(VersionField, 8));
    writer.Put(MicOffset, authenticate.Mic.isEmpty() ? QByteArray(MicLength, '\0') : authenticate.Mic.left(MicLength));
    writer.Field(28, Utf16Le(authenticate.DomainName));
    writer.Field(36, Utf16Le(authenticate.UserName));
    writer.Field(44, Utf16Le(authenticate.Workstation));
    writer.Field(12, authenticate.LmChallengeResponse);
    writer.Field(20, authenticate.NtChallengeResponse);
    writer.Field(52, authenticate.EncryptedRandomSessionKey);
    return writer.Take();
}

TAuthenticateMessage ParseAuthenticate(QByteArrayView message) {
    const TReader reader(message, "AUTHENTICATE");
    reader.Expect(AuthenticateType, AuthenticateMinimum);
    TAuthenticateMessage authenticate;
    authenticate.Flags = reader.U32(60);
    const bool unicode = authenticate.Flags & NegotiateFlag::Unicode;
    authenticate.LmChallengeResponse = reader.Field(12).toByteArray();
    authenticate.NtChallengeResponse = reader.Field(20).toByteArray();
    authenticate.DomainName = reader.Text(28, unicode);
    authenticate.UserName = reader.Text(36, unicode);
    authenticate.Workstation = reader.Text(44, unicode);
    authenticate.EncryptedRandomSessionKey = reader.Field(52).toByteArray();
    qsizetype payload = reader.Size();
    for (int at = 12; at <= 52; at += 8)
        if (reader.U16(at) > 0)
            payload = std::min<qsizetype>(payload, reader.U32(at + 4));
    if (payload >= AuthenticateHeader)
        authenticate.Mic = reader.Bytes(MicOffset, MicLength).toByteArray();
    return authenticate;
}

} // namespace Ntlm
