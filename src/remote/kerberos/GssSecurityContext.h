#pragma once

#include "IMessageSeal.h"

#include <gssapi/gssapi.h>

// An established GSSAPI security context (Kerberos, directly or under SPNEGO) and its message
// protection as WinRM uses it: gss_wrap_iov with a header, the data sealed in place and padding; the
// header goes out as the signature, the padding after the data.
class TGssSecurityContext : public IMessageSeal {
public:
    TGssSecurityContext(gss_ctx_id_t context, QByteArrayView protocol);
    ~TGssSecurityContext() override;
    TGssSecurityContext(const TGssSecurityContext&) = delete;
    TGssSecurityContext& operator=(const TGssSecurityContext&) = delete;

    QByteArrayView Protocol() const override { return m_Protocol; }
    TSealed Seal(QByteArrayView message) override;
    QByteArray Unseal(QByteArrayView data, QByteArrayView signature) override;
    // A wrap header is some tens of bytes; far more is not one.
    bool SignatureLengthFits(qsizetype length) const override { return length > 0 && length <= 1024; }
    // RC4 pads to a block of 8; AES under the rules Windows follows adds no padding.
    qsizetype MaxPadding() const override { return 16; }

private:
    gss_ctx_id_t m_Context;
    QByteArray m_Protocol;
};
