#include "NtlmSession.h"

#include "LangChanger.h"
#include "NtlmCrypto.h"
#include "NtlmError.h"
#include "NtlmMessages.h"

#include <nettle/arcfour.h>

#include <QtEndian>

struct TNtlmSession::TDirection {
    TDirection(QByteArrayView exportedSessionKey, quint32 flags, bool clientToServer)
        : SigningKey(Ntlm::SignKey(exportedSessionKey, clientToServer)) {
        const QByteArray sealingKey = Ntlm::SealKey(exportedSessionKey, flags, clientToServer);
        arcfour_set_key(&Rc4, sealingKey.size(), reinterpret_cast<const uint8_t*>(sealingKey.data()));
    }
    void Crypt(QByteArrayView in, char* out) {
        arcfour_crypt(&Rc4, in.size(), reinterpret_cast<uint8_t*>(out), reinterpret_cast<const uint8_t*>(in.data()));
    }

    QByteArray SigningKey;
    arcfour_ctx Rc4;
    quint32 SequenceNumber = 0;
};

TNtlmSession::TNtlmSession(QByteArrayView exportedSessionKey, quint32 flags, TRole role)
    : m_flags(flags), m_out(std::make_unique<TDirection>(exportedSessionKey, flags, role == TRole::Client)),
      m_in(std::make_unique<TDirection>(exportedSessionKey, flags, role == TRole::Server)) {}

TNtlmSession::~TNtlmSession() = default;

// Version 1, the first eight bytes of HMAC-MD5 over sequence number and message (encrypted with the
// direction's RC4 stream when keys were exchanged), then the sequence number.
QByteArray TNtlmSession::Signature(TDirection& direction, QByteArrayView message) {
    char sequence[4];
    qToLittleEndian(direction.SequenceNumber, sequence);
    const QByteArray checksum = Ntlm::HmacMd5(direction.SigningKey, {QByteArrayView(sequence, 4), message}).left(8);
    QByteArray signature(SignatureLength, '\0');
    signature[0] = 1;
    if (m_flags & Ntlm::NegotiateFlag::KeyExchange)
        direction.Crypt(checksum, signature.data() + 4);
    else
        signature.replace(4, 8, checksum);
    signature.replace(12, 4, sequence, 4);
    ++direction.SequenceNumber;
    return signature;
}

TNtlmSession::TSealed TNtlmSession::Seal(QByteArrayView message) {
    TSealed sealed;
    sealed.Data.resize(message.size());
    m_out->Crypt(message, sealed.Data.data());
    sealed.Signature = Signature(*m_out, message);
    return sealed;
}

QByteArray TNtlmSession::Unseal(QByteArrayView sealed, QByteArrayView signature) {
    if (m_broken)
        throw TNtlmError(LangStr(QStringLiteral("sNtlmBadSignature")));
    QByteArray message(sealed.size(), Qt::Uninitialized);
    m_in->Crypt(sealed, message.data());
    const QByteArray expected = Signature(*m_in, message);
    if (!Ntlm::SameBytes(expected, signature)) {
        m_broken = true;
        throw TNtlmError(LangStr(QStringLiteral("sNtlmBadSignature")));
    }
    return message;
}
