#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The three NTLM authentication messages (NEGOTIATE, CHALLENGE, AUTHENTICATE) and the AV pairs of the
// target info, encoded and parsed. Parsing checks every length and offset against the message and
// raises TNtlmError for anything that does not fit; it never reads outside the given bytes.
namespace Ntlm {

namespace NegotiateFlag {
inline constexpr quint32 Unicode = 0x00000001;
inline constexpr quint32 Oem = 0x00000002;
inline constexpr quint32 RequestTarget = 0x00000004;
inline constexpr quint32 Sign = 0x00000010;
inline constexpr quint32 Seal = 0x00000020;
inline constexpr quint32 NtlmAuth = 0x00000200;
inline constexpr quint32 AlwaysSign = 0x00008000;
inline constexpr quint32 TargetTypeServer = 0x00020000;
inline constexpr quint32 ExtendedSessionSecurity = 0x00080000;
inline constexpr quint32 TargetInfo = 0x00800000;
inline constexpr quint32 Version = 0x02000000;
inline constexpr quint32 Key128 = 0x20000000;
inline constexpr quint32 KeyExchange = 0x40000000;
inline constexpr quint32 Key56 = 0x80000000;
} // namespace NegotiateFlag

namespace AvId {
inline constexpr quint16 Eol = 0;
inline constexpr quint16 NbComputerName = 1;
inline constexpr quint16 NbDomainName = 2;
inline constexpr quint16 DnsComputerName = 3;
inline constexpr quint16 DnsDomainName = 4;
inline constexpr quint16 Flags = 6;
inline constexpr quint16 Timestamp = 7;
inline constexpr quint16 TargetName = 9;
inline constexpr quint16 ChannelBindings = 10;
} // namespace AvId

// Bit of the AV pair Flags: the AUTHENTICATE message carries a MIC.
inline constexpr quint32 AvFlagMicPresent = 0x00000002;
// Where the MIC sits in an AUTHENTICATE message that carries the version field.
inline constexpr int MicOffset = 72;
inline constexpr int MicLength = 16;

struct TAvPair {
    quint16 Id = AvId::Eol;
    QByteArray Value;
};

// The pairs up to the terminating Eol (not included); messageKind names the carrying message in errors.
QList<TAvPair> ParseTargetInfo(QByteArrayView targetInfo, const char* messageKind = "CHALLENGE");
// Appends the terminating Eol.
QByteArray EncodeTargetInfo(const QList<TAvPair>& pairs);
// The value of the first pair with the id, or a null array.
QByteArray AvValue(const QList<TAvPair>& pairs, quint16 id);

struct TChallengeMessage {
    quint32 Flags = 0;
    QByteArray ServerChallenge; // 8 bytes
    QString TargetName;
    QByteArray TargetInfo; // encoded AV pairs
};

struct TAuthenticateMessage {
    quint32 Flags = 0;
    QByteArray LmChallengeResponse;
    QByteArray NtChallengeResponse;
    QString DomainName;
    QString UserName;
    QString Workstation;
    QByteArray EncryptedRandomSessionKey;
    QByteArray Mic; // 16 bytes; zeros while the MIC itself is computed
};

QByteArray EncodeNegotiate(quint32 flags);
// The flags of a NEGOTIATE message.
quint32 ParseNegotiate(QByteArrayView message);

QByteArray EncodeChallenge(const TChallengeMessage& challenge);
TChallengeMessage ParseChallenge(QByteArrayView message);

QByteArray EncodeAuthenticate(const TAuthenticateMessage& authenticate);
// Mic is filled only when the message leaves room for it before its payload.
TAuthenticateMessage ParseAuthenticate(QByteArrayView message);

} // namespace Ntlm
