#pragma once

#include "NtlmCrypto.h"
#include "NtlmSession.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The accepting side of an NTLMv2 handshake, as a Windows computer answers it: NEGOTIATE in,
// CHALLENGE (with a time stamp, so the client adds a MIC) out, AUTHENTICATE in and verified against
// the password of the named account. One instance serves one connection.
class TNtlmServer {
public:
    explicit TNtlmServer(const QString& computerName, Ntlm::TSources sources = Ntlm::SystemSources());

    // Raises TNtlmError for a malformed NEGOTIATE.
    QByteArray ChallengeMessage(QByteArrayView negotiateMessage);

    struct TAccepted {
        QString UserName;
        QString DomainName;
        QByteArray ChannelBindings; // the client's MsvAvChannelBindings; empty when it sent none
        QString TargetName;         // the client's MsvAvTargetName
        std::unique_ptr<TNtlmSession> Session;
    };
    // The password of an account, or none when there is no such account.
    using TPasswordOf = std::function<std::optional<QString>(const QString& user, const QString& domain)>;
    // The session when the response proves the account's password (and its MIC, when announced, holds);
    // none when it does not. Raises TNtlmError for a malformed message or one without a challenge before it.
    std::optional<TAccepted> Accept(QByteArrayView authenticateMessage, const TPasswordOf& passwordOf);

private:
    QString m_computerName;
    Ntlm::TSources m_sources;
    QByteArray m_negotiate;
    QByteArray m_challenge;
    QByteArray m_serverChallenge;
};
