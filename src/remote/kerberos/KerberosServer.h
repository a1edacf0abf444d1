#pragma once

#include "GssSecurityContext.h"

#include <QByteArray>

#include <gssapi/gssapi.h>

#include <memory>

// The accepting side of a Kerberos logon (bare or under SPNEGO) with the keys of the default keytab
// (KRB5_KTNAME), for the simulated host.
class TKerberosServer {
public:
    TKerberosServer() = default;
    ~TKerberosServer();
    TKerberosServer(const TKerberosServer&) = delete;
    TKerberosServer& operator=(const TKerberosServer&) = delete;

    struct TStep {
        bool Accepted = false; // false: the token was refused
        bool Established = false;
        bool ChannelBound = false; // the client's binding matched the one given
        QByteArray Token;          // the answer token, the proof of the server once established
    };
    // channelBinding: over TLS "tls-server-end-point:" and the hash of the own certificate; a client that
    // sent another binding is refused, one that sent none is accepted unbound.
    TStep Accept(const QByteArray& clientToken, const QByteArray& channelBinding);
    // Whether a token is a Kerberos or SPNEGO initial token rather than an NTLM one.
    static bool IsKerberosToken(const QByteArray& token);
    std::unique_ptr<TGssSecurityContext> TakeContext(QByteArrayView protocol);

private:
    gss_ctx_id_t m_Context = GSS_C_NO_CONTEXT;
};
