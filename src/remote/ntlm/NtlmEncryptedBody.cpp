#include "NtlmEncryptedBody.h"

#include "EncryptedBody.h"
#include "IMessageSeal.h"
#include "NtlmSession.h"

namespace NtlmEncryptedBody {

namespace {

// NTLM runs under Negotiate (SPNEGO) on WinRM, and so names that protocol.
constexpr QByteArrayView Protocol = "application/HTTP-SPNEGO-session-encrypted";

class TNtlmSeal : public IMessageSeal {
public:
    explicit TNtlmSeal(TNtlmSession& session) : m_Session(session) {}

    QByteArrayView Protocol() const override { return NtlmEncryptedBody::Protocol; }
    TSealed Seal(QByteArrayView message) override {
        TNtlmSession::TSealed sealed = m_Session.Seal(message);
        return {std::move(sealed.Signature), std::move(sealed.Data)};
    }
    QByteArray Unseal(QByteArrayView data, QByteArrayView signature) override {
        return m_Session.Unseal(data, signature);
    }
    bool SignatureLengthFits(qsizetype length) const override { return length == TNtlmSession::SignatureLength; }
    qsizetype MaxPadding() const override { return 0; }

private:
    TNtlmSession& m_Session;
};

} // namespace

QByteArray ContentType() {
    return EncryptedBody::ContentType(Protocol);
}

bool IsEncrypted(QByteArrayView contentType) {
    return EncryptedBody::IsEncrypted(contentType, Protocol);
}

QByteArray Encode(TNtlmSession& session, QByteArrayView soap) {
    TNtlmSeal seal(session);
    return EncryptedBody::Encode(seal, soap);
}

QByteArray Decode(TNtlmSession& session, QByteArrayView body) {
    TNtlmSeal seal(session);
    return EncryptedBody::Decode(seal, body);
}

} // namespace NtlmEncryptedBody
