#pragma once

#include "HostReply.h"

#include <QByteArray>

#include <memory>
#include <optional>

class TGssSecurityContext;
class TKerberosServer;
class TSimulatedHost;

// The Kerberos logon of one connection to a simulated host, with the keys of the keytab that
// KRB5_KTNAME names, the way a domain member's WinRM service keeps it: the client's token under
// Negotiate (SPNEGO) or Kerberos, the host's proof in the answer, then requests sealed with the GSSAPI
// wrap token are opened and their answers sealed. On HTTP an unsealed body is refused unless the host
// is told to allow it.
class TKerberosLogon {
public:
    explicit TKerberosLogon(TSimulatedHost* host);
    ~TKerberosLogon();
    TKerberosLogon(const TKerberosLogon&) = delete;
    TKerberosLogon& operator=(const TKerberosLogon&) = delete;

    // Whether hosts take Kerberos at all: only with a keytab.
    static bool Offered();
    // Whether an Authorization header carries a Kerberos or SPNEGO-wrapped Kerberos token.
    static bool IsKerberosAuthorization(const QByteArray& authorization);

    // Accepts the token. Returns the refusal, or none once the client has logged on and the request's
    // body is to be served (its answer then carries the host's proof).
    // channelBinding: the binding of the own certificate over HTTPS, empty over HTTP.
    std::optional<THostReply> Step(const QByteArray& authorization, const QByteArray& channelBinding);
    bool LoggedOn() const { return m_Context != nullptr; }
    THostReply Serve(const QByteArray& contentType, const QByteArray& body, bool https);

private:
    TSimulatedHost* m_Host;
    std::unique_ptr<TKerberosServer> m_Server;
    std::unique_ptr<TGssSecurityContext> m_Context;
    QByteArray m_Proof; // the WWW-Authenticate value still to be sent
};
