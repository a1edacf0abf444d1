#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The message security of an established logon (NTLM or Kerberos) as the multipart/encrypted body of
// WS-Management uses it: each message becomes a signature (or wrap header) and the sealed bytes.
class IMessageSeal {
public:
    struct TSealed {
        QByteArray Signature;
        QByteArray Data; // the sealed message and its padding, if the scheme pads
    };

    virtual ~IMessageSeal() = default;

    // The protocol the body's first part names, "application/HTTP-SPNEGO-session-encrypted" and the like.
    virtual QByteArrayView Protocol() const = 0;
    virtual TSealed Seal(QByteArrayView message) = 0;
    // The message; TNtlmError when the signature does not hold or the data cannot be opened.
    virtual QByteArray Unseal(QByteArrayView data, QByteArrayView signature) = 0;
    // Whether a signature of this length can be one of this scheme's.
    virtual bool SignatureLengthFits(qsizetype length) const = 0;
    // The most bytes the sealed data may be longer than the message.
    virtual qsizetype MaxPadding() const = 0;
};
