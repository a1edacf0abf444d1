#pragma once

#include "NtlmClient.h"
#include "WsManTransport.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// NTLM on one kept-alive connection, as a Windows computer with WinRM enabled the default way expects:
// the handshake under the Negotiate scheme (or NTLM where the computer offers only that), then every
// envelope sealed in a multipart/encrypted body over HTTP, or sent as it is over HTTPS. Answers must
// come back sealed and verified; an unsealed answer to a sealed request never counts as success.
class TWsManNtlmTransport : public IWsManTransport {
public:
    // preferNtlmScheme: start with the NTLM scheme rather than Negotiate; either falls back to the other
    // when the computer offers only that one.
    TWsManNtlmTransport(std::unique_ptr<TWsManHttpConnection> connection, const QString& userName,
                        const QString& password, bool preferNtlmScheme);
    ~TWsManNtlmTransport() override;

    TWsManHttpReply Send(const QByteArray& envelope) override;
    const TWsManHttpConnection& Connection() const override { return *m_Connection; }

private:
    // The refusal (401) when the computer does not accept the credentials, none once the session stands.
    std::optional<TWsManHttpReply> Authenticate();
    TWsManHttpReply PostAuthorization(const QByteArray& token);
    TWsManHttpReply Exchange(const QByteArray& envelope);
    [[noreturn]] void Raise(const QString& text) const;

    std::unique_ptr<TWsManHttpConnection> m_Connection;
    TNtlmClient m_Ntlm;
    QByteArray m_Scheme;
    std::unique_ptr<TNtlmSession> m_Session;
};
