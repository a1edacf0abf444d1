#include "NtlmCrypto.h"

#include "NtlmMessages.h"

#include <nettle/arcfour.h>
#include <nettle/hmac.h>
#include <nettle/md4.h>
#include <nettle/md5.h>
#include <nettle/memops.h>

#include <QDateTime>
#include <QRandomGenerator>
#include <QtEndian>

namespace Ntlm {

namespace {

const uint8_t* Bytes(QByteArrayView data) {
    return reinterpret_cast<const uint8_t*>(data.data());
}

QByteArray Digest(int size) {
    return QByteArray(size, Qt::Uninitialized);
}

uint8_t* Out(QByteArray& digest) {
    return reinterpret_cast<uint8_t*>(digest.data());
}

QByteArray LittleEndian64(quint64 value) {
    QByteArray bytes(8, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

} // namespace

QByteArray Md4(QByteArrayView data) {
    md4_ctx ctx;
    md4_init(&ctx);
    md4_update(&ctx, data.size(), Bytes(data));
    QByteArray digest = Digest(MD4_DIGEST_SIZE);
    md4_digest(&ctx, MD4_DIGEST_SIZE, Out(digest));
    return digest;
}

QByteArray Md5(std::initializer_list<QByteArrayView> parts) {
    md5_ctx ctx;
    md5_init(&ctx);
    for (QByteArrayView part : parts)
        md5_update(&ctx, part.size(), Bytes(part));
    QByteArray digest = Digest(MD5_DIGEST_SIZE);
    md5_digest(&ctx, MD5_DIGEST_SIZE, Out(digest));
    return digest;
}

QByteArray HmacMd5(QByteArrayView key, std::initializer_list<QByteArrayView> parts) {
    hmac_md5_ctx ctx;
    hmac_md5_set_key(&ctx, key.size(), Bytes(key));
    for (QByteArrayView part : parts)
        hmac_md5_update(&ctx, part.size(), Bytes(part));
    QByteArray digest = Digest(MD5_DIGEST_SIZE);
    hmac_md5_digest(&ctx, MD5_DIGEST_SIZE, Out(digest));
    return digest;
}

QByteArray Rc4(QByteArrayView key, QByteArrayView data) {
    arcfour_ctx ctx;
    arcfour_set_key(&ctx, key.size(), Bytes(key));
    QByteArray result(data.size(), Qt::Uninitialized);
    arcfour_crypt(&ctx, data.size(), Out(result), Bytes(data));
    return result;
}

bool SameBytes(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && memeql_sec(a.data(), b.data(), a.size());
}

QByteArray Utf16Le(const QString& text) {
    if (text.isEmpty())
        return QByteArray();
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

QString FromUtf16Le(QByteArrayView bytes) {
    if (bytes.size() < 2)
        return QString(); // an absent field has no data pointer to copy from
    QString text(bytes.size() / 2, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(bytes.data(), text.size(), text.data());
    return text;
}

QString UpperCaseUnits(const QString& text) {
    QString upper = text;
    for (QChar& unit : upper)
        unit = unit.toUpper();
    return upper;
}

QByteArray NtOwfV2(const QString& password, const QString& user, const QString& domain) {
    return HmacMd5(Md4(Utf16Le(password)), {Utf16Le(UpperCaseUnits(user) + domain)});
}

QByteArray NtlmV2Blob(quint64 fileTime, QByteArrayView clientChallenge, QByteArrayView targetInfo) {
    static constexpr char Header[] = {1, 1, 0, 0, 0, 0, 0, 0};
    static constexpr char Zero4[] = {0, 0, 0, 0};
    QByteArray blob;
    blob.reserve(32 + targetInfo.size());
    blob.append(Header, sizeof Header);
    blob.append(LittleEndian64(fileTime));
    blob.append(clientChallenge);
    blob.append(Zero4, sizeof Zero4);
    blob.append(targetInfo);
    blob.append(Zero4, sizeof Zero4);
    return blob;
}

QByteArray NtProofStr(QByteArrayView ntOwf, QByteArrayView serverChallenge, QByteArrayView blob) {
    return HmacMd5(ntOwf, {serverChallenge, blob});
}

QByteArray LmV2Response(QByteArrayView ntOwf, QByteArrayView serverChallenge, QByteArrayView clientChallenge) {
    return HmacMd5(ntOwf, {serverChallenge, clientChallenge}) + clientChallenge.toByteArray();
}

QByteArray SessionBaseKey(QByteArrayView ntOwf, QByteArrayView ntProofStr) {
    return HmacMd5(ntOwf, {ntProofStr});
}

namespace {
// The magic constants include their terminating zero byte.
QByteArrayView Magic(const char* text) {
    return QByteArrayView(text, qstrlen(text) + 1);
}
} // namespace

QByteArray SignKey(QByteArrayView exportedSessionKey, bool clientToServer) {
    return Md5(
        {exportedSessionKey, Magic(clientToServer ? "session key to client-to-server signing key magic constant"
                                                  : "session key to server-to-client signing key magic constant")});
}

QByteArray SealKey(QByteArrayView exportedSessionKey, quint32 flags, bool clientToServer) {
    QByteArrayView key = exportedSessionKey;
    if (!(flags & NegotiateFlag::Key128))
        key = key.first((flags & NegotiateFlag::Key56) ? 7 : 5);
    return Md5({key, Magic(clientToServer ? "session key to client-to-server sealing key magic constant"
                                          : "session key to server-to-client sealing key magic constant")});
}

TSources SystemSources() {
    TSources sources;
    sources.Random = [](int size) {
        QList<quint32> words((size + 3) / 4);
        QRandomGenerator::system()->fillRange(words.data(), words.size());
        return QByteArray(reinterpret_cast<const char*>(words.constData()), size);
    };
    sources.FileTime = [] {
        constexpr quint64 UnixEpochAsFileTime = 116444736000000000ULL;
        return UnixEpochAsFileTime + quint64(QDateTime::currentMSecsSinceEpoch()) * 10000;
    };
    return sources;
}

} // namespace Ntlm
