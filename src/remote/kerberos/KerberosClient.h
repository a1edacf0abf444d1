#pragma once

#include "GssSecurityContext.h"

#include <QByteArray>
#include <QString>

#include <gssapi/gssapi.h>

#include <memory>

// The client side of a Kerberos logon at HTTP/<host> through MIT Kerberos' GSSAPI, with mutual
// authentication. Without a user name it uses the default ticket cache; with a user name and password
// it gets a ticket for that user into a memory cache of its own, never into the user's cache. The
// service ticket is got at construction: one could be had when construction succeeds.
class TKerberosClient {
public:
    // Spnego: a token for the Negotiate scheme; Kerberos: a bare Kerberos token for the Kerberos scheme.
    enum class TMechanism { Spnego, Kerberos };

    // Raises TKerberosError when no ticket can be had.
    TKerberosClient(const QString& host, const QString& userName, const QString& password, TMechanism mechanism);
    ~TKerberosClient();
    TKerberosClient(const TKerberosClient&) = delete;
    TKerberosClient& operator=(const TKerberosClient&) = delete;

    // The token that opens the logon; over TLS bound to the channel ("tls-server-end-point:" and the hash).
    QByteArray FirstToken(const QByteArray& channelBinding);
    // Takes the server's answer token; returns the next token to send, empty when none is due. Raises
    // TKerberosError when the server's token does not prove the server.
    QByteArray Step(const QByteArray& serverToken);
    // Whether the server has proved itself (mutual authentication) and messages can be sealed.
    bool Established() const { return m_Established; }
    // The established context, for sealing messages that name the protocol; FirstToken then opens
    // another logon with the same credentials.
    std::unique_ptr<TGssSecurityContext> TakeContext(QByteArrayView protocol);

    // Whether Negotiate may ask a KDC for this logon: always for the ticket cache, and with a user name and
    // password only when the user names a realm or the Kerberos configuration places the computer in one
    // (a domain_realm entry, or a DNS domain that is the default realm). Elsewhere the default realm of an
    // unconfigured system could be anybody's, and its KDC would learn the user name.
    static bool RealmKnown(const QString& host, const QString& userName);

    // The principal a user name stands for: "user@realm" as given with the realm in capitals,
    // "DOMAIN\user" and "user" in the default realm (NetBIOS domain names are not realms).
    static QString PrincipalOf(const QString& userName);

private:
    void Start(const QString& host, const QString& userName, const QString& password);
    void Release();
    OM_uint32 AcquireWithPassword(gss_name_t user, const QByteArray& password, gss_OID_set_desc mechanisms,
                                  OM_uint32& minor);
    void GetServiceTicket();
    QByteArray Initiate(const QByteArray& serverToken);
    [[noreturn]] void Raise(OM_uint32 major, OM_uint32 minor, gss_OID mechanism) const;

    QString m_Service;
    gss_OID m_Mechanism;
    gss_name_t m_Target = GSS_C_NO_NAME;
    gss_cred_id_t m_Credential = GSS_C_NO_CREDENTIAL;
    gss_ctx_id_t m_Context = GSS_C_NO_CONTEXT;
    QByteArray m_ChannelBinding;
    bool m_Established = false;
};
