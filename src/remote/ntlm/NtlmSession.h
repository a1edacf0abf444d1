#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

struct arcfour_ctx;

// The message security of an established NTLM session with extended session security: signing and
// sealing keys for both directions, one RC4 stream and one sequence number per direction. The client
// seals with the client-to-server keys and opens with the server-to-client keys; the accepting side
// the other way round. Messages must be opened in the order they were sealed.
class TNtlmSession {
public:
    enum class TRole { Client, Server };
    static constexpr int SignatureLength = 16;

    TNtlmSession(QByteArrayView exportedSessionKey, quint32 flags, TRole role);
    ~TNtlmSession();
    TNtlmSession(const TNtlmSession&) = delete;
    TNtlmSession& operator=(const TNtlmSession&) = delete;

    struct TSealed {
        QByteArray Signature; // SignatureLength bytes
        QByteArray Data;      // as long as the message
    };
    TSealed Seal(QByteArrayView message);
    // The message, or TNtlmError when the signature does not match. After a failure the session
    // is out of step with its peer and refuses every further message.
    QByteArray Unseal(QByteArrayView sealed, QByteArrayView signature);

    quint32 Flags() const { return m_flags; }

private:
    struct TDirection;
    QByteArray Signature(TDirection& direction, QByteArrayView message);

    quint32 m_flags;
    std::unique_ptr<TDirection> m_out;
    std::unique_ptr<TDirection> m_in;
    bool m_broken = false;
};
