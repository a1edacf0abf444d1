#include "uPasswordProtection.h"

#include "PlatformMachineIdentity.h"

#include <nettle/blowfish.h>
#include <nettle/cfb.h>
#include <nettle/md5.h>

#include <array>

namespace {

constexpr int kNamePartLength = 19;
constexpr QChar kPartSeparator = u'/';

void Wipe(void* data, size_t size) {
    volatile auto* bytes = static_cast<volatile unsigned char*>(data);
    while (size--)
        *bytes++ = 0;
}

std::array<uint8_t, MD5_DIGEST_SIZE> Md5(const QByteArray& data) {
    md5_ctx context;
    md5_init(&context);
    md5_update(&context, size_t(data.size()), reinterpret_cast<const uint8_t*>(data.constData()));
    std::array<uint8_t, MD5_DIGEST_SIZE> digest;
    md5_digest(&context, digest.size(), digest.data());
    Wipe(&context, sizeof(context));
    return digest;
}

void BlowfishEncrypt(const void* context, size_t length, uint8_t* dst, const uint8_t* src) {
    blowfish_encrypt(static_cast<const blowfish_ctx*>(context), length, dst, src);
}

} // namespace

// Blowfish keyed with the MD5 of the machine key, with its CFB-8 vector; wiped when it goes.
// Every password starts from the same vector, since each one is stored on its own.
class TPasswordCipher {
public:
    explicit TPasswordCipher(const QString& key) {
        std::array<uint8_t, MD5_DIGEST_SIZE> digest = Md5(key.toUtf8());
        // A weak key (duplicate S-box entries) is reported but still enciphers consistently, as it does
        // in every other implementation of the cipher; refusing it would lock some users out.
        blowfish128_set_key(&m_context, digest.data());
        Wipe(digest.data(), digest.size());
        m_iv.fill(0);
        blowfish_encrypt(&m_context, BLOWFISH_BLOCK_SIZE, m_iv.data(), m_iv.data());
    }
    ~TPasswordCipher() {
        Wipe(&m_context, sizeof(m_context));
        Wipe(m_iv.data(), m_iv.size());
    }
    TPasswordCipher(const TPasswordCipher&) = delete;
    TPasswordCipher& operator=(const TPasswordCipher&) = delete;

    QByteArray Encrypt(const QByteArray& plain) const {
        QByteArray result(plain.size(), Qt::Uninitialized);
        std::array<uint8_t, BLOWFISH_BLOCK_SIZE> iv = m_iv;
        cfb8_encrypt(&m_context, BlowfishEncrypt, BLOWFISH_BLOCK_SIZE, iv.data(), size_t(plain.size()),
                     reinterpret_cast<uint8_t*>(result.data()), reinterpret_cast<const uint8_t*>(plain.constData()));
        Wipe(iv.data(), iv.size());
        return result;
    }
    QByteArray Decrypt(const QByteArray& cipher) const {
        QByteArray result(cipher.size(), Qt::Uninitialized);
        std::array<uint8_t, BLOWFISH_BLOCK_SIZE> iv = m_iv;
        cfb8_decrypt(&m_context, BlowfishEncrypt, BLOWFISH_BLOCK_SIZE, iv.data(), size_t(cipher.size()),
                     reinterpret_cast<uint8_t*>(result.data()), reinterpret_cast<const uint8_t*>(cipher.constData()));
        Wipe(iv.data(), iv.size());
        return result;
    }

private:
    blowfish_ctx m_context;
    std::array<uint8_t, BLOWFISH_BLOCK_SIZE> m_iv;
};

QString ComposeMachineKey(const QString& computerName, const QString& userName, std::optional<quint32> volumeSerial) {
    QString serial;
    if (volumeSerial)
        serial = QStringLiteral("%1-%2")
                     .arg((*volumeSerial >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                     .arg(*volumeSerial & 0xFF, 2, 16, QLatin1Char('0'))
                     .toUpper();
    return computerName.left(kNamePartLength) + kPartSeparator + userName.left(kNamePartLength) + kPartSeparator +
           serial;
}

QString GetMachineKey(int securityLevel) {
    if (securityLevel != 1)
        return QString();
    return ComposeMachineKey(Platform::ComputerName(), Platform::LoginName(), Platform::SystemVolumeSerial());
}

QString HashMachineKey(const QString& key) {
    const std::array<uint8_t, MD5_DIGEST_SIZE> digest = Md5(key.toUtf8());
    qsizetype length = 0;
    while (length < qsizetype(digest.size()) && digest[length] != 0)
        ++length;
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest.data()), length).toBase64());
}

bool CheckMachineKeyHash(const QString& storedHash, const QString& key) {
    return storedHash == HashMachineKey(key);
}

TPasswordProtector::TPasswordProtector(const QString& key)
    : m_cipher(key.isEmpty() ? nullptr : std::make_unique<TPasswordCipher>(key)) {}

TPasswordProtector::~TPasswordProtector() = default;

QString TPasswordProtector::Encrypt(const QString& password) const {
    if (password.isEmpty())
        return QString();
    if (!m_cipher)
        return password;
    QByteArray plain = password.toUtf8();
    const QByteArray enciphered = m_cipher->Encrypt(plain);
    Wipe(plain.data(), size_t(plain.size()));
    return QString::fromLatin1(enciphered.toBase64());
}

QString TPasswordProtector::Decrypt(const QString& stored) const {
    if (stored.isEmpty())
        return QString();
    if (!m_cipher)
        return stored;
    QByteArray plain = m_cipher->Decrypt(QByteArray::fromBase64(stored.toLatin1()));
    const QString password = QString::fromUtf8(plain);
    Wipe(plain.data(), size_t(plain.size()));
    return password;
}

QString EncryptPassword(const QString& password, const QString& key) {
    return TPasswordProtector(key).Encrypt(password);
}

QString DecryptPassword(const QString& stored, const QString& key) {
    return TPasswordProtector(key).Decrypt(stored);
}
