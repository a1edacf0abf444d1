#pragma once

#include "GssSecurityContext.h"
#include "KerberosClient.h"
#include "WsManTransport.h"

#include <QByteArray>

#include <memory>
#include <optional>

// Kerberos on one kept-alive connection, as WinRM on a domain member expects it: the token under the
// Negotiate scheme (SPNEGO) or the Kerberos scheme, the server's proof checked, then every envelope
// sealed with the GSSAPI wrap token in a multipart/encrypted body over HTTP, or sent as it is over
// HTTPS. Answers must come back sealed and whole; an unsealed answer to a sealed request never counts.
class TWsManKerberosTransport : public IWsManTransport {
public:
    TWsManKerberosTransport(std::unique_ptr<TWsManHttpConnection> connection, std::unique_ptr<TKerberosClient> client,
                            TKerberosClient::TMechanism mechanism);
    ~TWsManKerberosTransport() override;

    TWsManHttpReply Send(const QByteArray& envelope) override;
    const TWsManHttpConnection& Connection() const override { return *m_Connection; }

private:
    // The refusal (401) when the computer does not accept the ticket, none once the context stands.
    std::optional<TWsManHttpReply> Authenticate();
    TWsManHttpReply Exchange(const QByteArray& envelope);
    [[noreturn]] void Raise(const QString& text) const;

    std::unique_ptr<TWsManHttpConnection> m_Connection;
    std::unique_ptr<TKerberosClient> m_Client;
    QByteArray m_Scheme;
    QByteArray m_Protocol;
    std::unique_ptr<TGssSecurityContext> m_Context;
};
