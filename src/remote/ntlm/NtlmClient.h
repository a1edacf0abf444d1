#pragma once

#include "NtlmCrypto.h"
#include "NtlmMessages.h"
#include "NtlmSession.h"

#include <QByteArray>
#include <QString>

#include <memory>

// The initiating side of an NTLMv2 handshake: NEGOTIATE out, CHALLENGE in, AUTHENTICATE out, then
// the session for signing and sealing. Asks for extended session security, 128-bit keys and a
// random session key sent under the key exchange key. Keeps only the password's NTOWFv2 hash.
class TNtlmClient {
public:
    // userName: "DOMAIN\user", "user@domain" (sent whole, with an empty domain) or "user".
    TNtlmClient(const QString& userName, const QString& password, Ntlm::TSources sources = Ntlm::SystemSources());

    QByteArray NegotiateMessage();
    // Where the logon is meant for, sent in the AUTHENTICATE message so that it cannot be relayed: the
    // service principal ("HTTP/host") and the MD5 of the TLS channel bindings (zeros outside TLS).
    void SetTarget(const QString& servicePrincipal, const QByteArray& channelBindingsMd5);
    // Raises TNtlmError for a malformed CHALLENGE or one that lacks Unicode or extended session security.
    QByteArray AuthenticateMessage(QByteArrayView challengeMessage);
    // The session after AuthenticateMessage; null before.
    std::unique_ptr<TNtlmSession> TakeSession() { return std::move(m_session); }

    static constexpr quint32 RequestedFlags =
        Ntlm::NegotiateFlag::Unicode | Ntlm::NegotiateFlag::Oem | Ntlm::NegotiateFlag::RequestTarget |
        Ntlm::NegotiateFlag::Sign | Ntlm::NegotiateFlag::Seal | Ntlm::NegotiateFlag::NtlmAuth |
        Ntlm::NegotiateFlag::AlwaysSign | Ntlm::NegotiateFlag::ExtendedSessionSecurity | Ntlm::NegotiateFlag::Version |
        Ntlm::NegotiateFlag::Key128 | Ntlm::NegotiateFlag::KeyExchange | Ntlm::NegotiateFlag::Key56;

private:
    QString m_user;
    QString m_domain;
    QByteArray m_ntOwf;
    Ntlm::TSources m_sources;
    QByteArray m_negotiate;
    QString m_servicePrincipal;
    QByteArray m_channelBindings;
    std::unique_ptr<TNtlmSession> m_session;
};
