#include "ChannelBinding.h"

#include <nettle/md5.h>
#include <nettle/sha2.h>

#include <QtEndian>

#include <optional>

namespace {

enum class THash { Sha224, Sha256, Sha384, Sha512 };

// One DER element: its tag and where its contents lie in the whole text.
struct TElement {
    quint8 Tag = 0;
    qsizetype Start = 0;
    qsizetype Length = 0;
    qsizetype End() const { return Start + Length; }
};

// Reads the element at `at`, which must end by `end`; none when the bytes do not form one.
std::optional<TElement> ReadElement(QByteArrayView der, qsizetype at, qsizetype end) {
    if (at < 0 || at + 2 > end)
        return std::nullopt;
    TElement element;
    element.Tag = quint8(der[at]);
    const quint8 first = quint8(der[at + 1]);
    at += 2;
    if (first < 0x80) {
        element.Length = first;
    } else {
        const int count = first & 0x7f;
        if (count == 0 || count > 4 || at + count > end)
            return std::nullopt;
        for (int i = 0; i < count; ++i)
            element.Length = (element.Length << 8) | quint8(der[at + i]);
        at += count;
    }
    element.Start = at;
    if (element.Length > end - at)
        return std::nullopt;
    return element;
}

constexpr quint8 SequenceTag = 0x30;
constexpr quint8 OidTag = 0x06;
constexpr quint8 ExplicitZeroTag = 0xa0;

// The OID of an AlgorithmIdentifier and the element after it (its parameters), if any.
struct TAlgorithm {
    QByteArrayView Oid;
    std::optional<TElement> Parameters;
};

std::optional<TAlgorithm> ReadAlgorithm(QByteArrayView der, const TElement& identifier) {
    if (identifier.Tag != SequenceTag)
        return std::nullopt;
    const std::optional<TElement> oid = ReadElement(der, identifier.Start, identifier.End());
    if (!oid || oid->Tag != OidTag)
        return std::nullopt;
    return TAlgorithm{der.sliced(oid->Start, oid->Length), ReadElement(der, oid->End(), identifier.End())};
}

struct THashOid {
    const char* Oid; // DER contents, hexadecimal
    THash Hash;
};

// Signature algorithms by the hash they sign with, and the hash algorithms themselves.
constexpr THashOid HashOids[] = {
    {"2a864886f70d01010e", THash::Sha224}, // sha224WithRSAEncryption
    {"2a864886f70d01010c", THash::Sha384}, // sha384WithRSAEncryption
    {"2a864886f70d01010d", THash::Sha512}, // sha512WithRSAEncryption
    {"2a8648ce3d040301", THash::Sha224},   // ecdsa-with-SHA224
    {"2a8648ce3d040303", THash::Sha384},   // ecdsa-with-SHA384
    {"2a8648ce3d040304", THash::Sha512},   // ecdsa-with-SHA512
    {"608648016503040301", THash::Sha224}, // dsa-with-sha224
    {"608648016503040204", THash::Sha224}, // id-sha224
    {"608648016503040202", THash::Sha384}, // id-sha384
    {"608648016503040203", THash::Sha512}, // id-sha512
};
const QByteArray RsaPssOid = QByteArray::fromHex("2a864886f70d01010a");

THash HashOfOid(QByteArrayView oid) {
    for (const THashOid& known : HashOids) {
        if (QByteArray::fromHex(known.Oid) == oid)
            return known.Hash;
    }
    return THash::Sha256;
}

// RSASSA-PSS names its hash in the parameters: SEQUENCE { [0] AlgorithmIdentifier, ... }; SHA-1 when absent.
THash HashOfPss(QByteArrayView der, const std::optional<TElement>& parameters) {
    if (!parameters || parameters->Tag != SequenceTag)
        return THash::Sha256;
    const std::optional<TElement> hashField = ReadElement(der, parameters->Start, parameters->End());
    if (!hashField || hashField->Tag != ExplicitZeroTag)
        return THash::Sha256;
    const std::optional<TElement> identifier = ReadElement(der, hashField->Start, hashField->End());
    const std::optional<TAlgorithm> hash = identifier ? ReadAlgorithm(der, *identifier) : std::nullopt;
    return hash ? HashOfOid(hash->Oid) : THash::Sha256;
}

// Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm AlgorithmIdentifier, signature }.
std::optional<THash> SignatureHash(QByteArrayView der) {
    const std::optional<TElement> certificate = ReadElement(der, 0, der.size());
    if (!certificate || certificate->Tag != SequenceTag || certificate->End() != der.size())
        return std::nullopt;
    const std::optional<TElement> toBeSigned = ReadElement(der, certificate->Start, certificate->End());
    if (!toBeSigned || toBeSigned->Tag != SequenceTag)
        return std::nullopt;
    const std::optional<TElement> identifier = ReadElement(der, toBeSigned->End(), certificate->End());
    const std::optional<TAlgorithm> signature = identifier ? ReadAlgorithm(der, *identifier) : std::nullopt;
    if (!signature)
        return std::nullopt;
    if (signature->Oid == RsaPssOid)
        return HashOfPss(der, signature->Parameters);
    return HashOfOid(signature->Oid);
}

template <typename TContext, auto Init, auto Update, auto Digest, int Size> QByteArray Hashed(QByteArrayView data) {
    TContext context;
    Init(&context);
    Update(&context, size_t(data.size()), reinterpret_cast<const uint8_t*>(data.data()));
    QByteArray digest(Size, Qt::Uninitialized);
    Digest(&context, size_t(Size), reinterpret_cast<uint8_t*>(digest.data()));
    return digest;
}

QByteArray Hash(THash hash, QByteArrayView data) {
    switch (hash) {
    case THash::Sha224:
        return Hashed<sha224_ctx, sha224_init, sha224_update, sha224_digest, SHA224_DIGEST_SIZE>(data);
    case THash::Sha384:
        return Hashed<sha384_ctx, sha384_init, sha384_update, sha384_digest, SHA384_DIGEST_SIZE>(data);
    case THash::Sha512:
        return Hashed<sha512_ctx, sha512_init, sha512_update, sha512_digest, SHA512_DIGEST_SIZE>(data);
    case THash::Sha256:
        break;
    }
    return Hashed<sha256_ctx, sha256_init, sha256_update, sha256_digest, SHA256_DIGEST_SIZE>(data);
}

} // namespace

TChannelBinding TChannelBinding::FromCertificate(QByteArrayView der) {
    TChannelBinding binding;
    if (const std::optional<THash> hash = SignatureHash(der))
        binding.m_ApplicationData = "tls-server-end-point:" + Hash(*hash, der);
    return binding;
}

TChannelBinding TChannelBinding::FromPem(QByteArrayView pem) {
    static constexpr QByteArrayView Begin = "-----BEGIN CERTIFICATE-----";
    static constexpr QByteArrayView End = "-----END CERTIFICATE-----";
    const qsizetype begin = pem.indexOf(Begin);
    const qsizetype end = pem.indexOf(End);
    if (begin < 0 || end < begin)
        return TChannelBinding();
    QByteArray base64;
    for (const char c : pem.sliced(begin + Begin.size(), end - begin - Begin.size())) {
        if (!QChar::isSpace(uchar(c)))
            base64 += c;
    }
    const auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? FromCertificate(*decoded) : TChannelBinding();
}

QByteArray TChannelBinding::Md5() const {
    if (IsEmpty())
        return QByteArray(MD5_DIGEST_SIZE, '\0');
    QByteArray bindings(20, '\0'); // four empty address fields, then the application data's length
    qToLittleEndian(quint32(m_ApplicationData.size()), bindings.data() + 16);
    bindings += m_ApplicationData;
    return Hashed<md5_ctx, md5_init, md5_update, md5_digest, MD5_DIGEST_SIZE>(bindings);
}
