#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <initializer_list>

// The NTLMv2 computations shared by the client and the accepting side, named after the functions
// of the NTLM protocol description (NTOWFv2, SIGNKEY, SEALKEY).
namespace Ntlm {

inline constexpr int KeyLength = 16;

QByteArray Md4(QByteArrayView data);
QByteArray Md5(std::initializer_list<QByteArrayView> parts);
QByteArray HmacMd5(QByteArrayView key, std::initializer_list<QByteArrayView> parts);
// One-shot RC4 with a fresh key schedule.
QByteArray Rc4(QByteArrayView key, QByteArrayView data);
// Constant-time comparison, for proofs and checksums.
bool SameBytes(QByteArrayView a, QByteArrayView b);

QByteArray Utf16Le(const QString& text);
QString FromUtf16Le(QByteArrayView bytes);

// Upper-cases one UTF-16 unit at a time with the simple case mapping, as Windows does for account
// names: "straße" becomes "STRAßE", never the "STRASSE" of the full mapping.
QString UpperCaseUnits(const QString& text);
// NTOWFv2: HMAC-MD5 keyed with MD4(password) over the upper-cased user name and the domain.
QByteArray NtOwfV2(const QString& password, const QString& user, const QString& domain);

// The client's blob of an NTLMv2 response: version, time stamp, client challenge and target info.
QByteArray NtlmV2Blob(quint64 fileTime, QByteArrayView clientChallenge, QByteArrayView targetInfo);
// NTProofStr: HMAC-MD5 keyed with NTOWFv2 over the server challenge and the blob.
QByteArray NtProofStr(QByteArrayView ntOwf, QByteArrayView serverChallenge, QByteArrayView blob);
// LMv2 response: HMAC-MD5 over both challenges, followed by the client challenge.
QByteArray LmV2Response(QByteArrayView ntOwf, QByteArrayView serverChallenge, QByteArrayView clientChallenge);
// The session base key of NTLMv2, which is also its key exchange key.
QByteArray SessionBaseKey(QByteArrayView ntOwf, QByteArrayView ntProofStr);

// Keys of one direction of a session with extended session security.
QByteArray SignKey(QByteArrayView exportedSessionKey, bool clientToServer);
QByteArray SealKey(QByteArrayView exportedSessionKey, quint32 flags, bool clientToServer);

// Where the random values and the time of a handshake come from; tests replay fixed ones.
struct TSources {
    std::function<QByteArray(int size)> Random;
    std::function<quint64()> FileTime; // 100-nanosecond intervals since 1601-01-01 UTC
};
// Random bytes from the operating system's generator and the system clock.
TSources SystemSources();

} // namespace Ntlm
