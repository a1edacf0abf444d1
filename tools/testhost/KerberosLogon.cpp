#include "KerberosLogon.h"

#include "EncryptedBody.h"
#include "GssSecurityContext.h"
#include "KerberosServer.h"
#include "NtlmError.h"
#include "SimulatedHost.h"

namespace {

QByteArray ProtocolOf(const QByteArray& scheme) {
    return scheme.compare("Kerberos", Qt::CaseInsensitive) == 0 ? "application/HTTP-Kerberos-session-encrypted"
                                                                : "application/HTTP-SPNEGO-session-encrypted";
}

} // namespace

TKerberosLogon::TKerberosLogon(TSimulatedHost* host) : m_Host(host) {}

TKerberosLogon::~TKerberosLogon() = default;

bool TKerberosLogon::Offered() {
    return qEnvironmentVariableIsSet("KRB5_KTNAME");
}

bool TKerberosLogon::IsKerberosAuthorization(const QByteArray& authorization) {
    const qsizetype space = authorization.indexOf(' ');
    if (space < 0 || !Offered())
        return false;
    const QByteArray scheme = authorization.left(space).toLower();
    return (scheme == "negotiate" || scheme == "kerberos") &&
           TKerberosServer::IsKerberosToken(QByteArray::fromBase64(authorization.mid(space + 1).trimmed()));
}

std::optional<THostReply> TKerberosLogon::Step(const QByteArray& authorization, const QByteArray& channelBinding) {
    const qsizetype space = authorization.indexOf(' ');
    const QByteArray scheme = authorization.left(space);
    m_Context.reset(); // a new logon replaces the one of this connection
    if (m_Host->Behaviour().DenyCredentials)
        return THostReply::Refusal();
    if (!m_Server)
        m_Server = std::make_unique<TKerberosServer>();
    const TKerberosServer::TStep step =
        m_Server->Accept(QByteArray::fromBase64(authorization.mid(space + 1).trimmed()), channelBinding);
    // As Windows with CbtHardeningLevel Strict: over HTTPS only a logon bound to this channel counts.
    const bool unbound = step.Established && !channelBinding.isEmpty() && !step.ChannelBound;
    if (!step.Accepted || (unbound && m_Host->Behaviour().StrictBinding)) {
        m_Server.reset();
        return THostReply::Refusal();
    }
    const QByteArray proof = scheme + ' ' + step.Token.toBase64();
    if (!step.Established) {
        THostReply more = THostReply::WithStatus(401);
        more.Authenticate = proof;
        return more;
    }
    m_Context = m_Server->TakeContext(ProtocolOf(scheme));
    m_Server.reset();
    m_Proof = step.Token.isEmpty() || m_Host->Behaviour().Unproved ? QByteArray() : proof;
    return std::nullopt;
}

THostReply TKerberosLogon::Serve(const QByteArray& contentType, const QByteArray& body, bool https) {
    THostReply reply = THostReply::WithStatus(200);
    if (!body.isEmpty()) {
        if (!EncryptedBody::IsEncrypted(contentType, m_Context->Protocol())) {
            if (!https && !m_Host->Behaviour().AllowUnencrypted)
                return THostReply::Refusal();
            reply = m_Host->HandleAuthenticated(contentType, body);
        } else {
            try {
                reply = m_Host->HandleAuthenticated(SoapContentType, EncryptedBody::Decode(*m_Context, body));
                if (reply.Kind == THostReply::TKind::Answer && !reply.Body.isEmpty() &&
                    !m_Host->Behaviour().PlainAnswers) {
                    reply.Body = EncryptedBody::Encode(*m_Context, reply.Body);
                    reply.ContentType = EncryptedBody::ContentType(m_Context->Protocol());
                }
            } catch (const TNtlmError&) {
                return THostReply::WithStatus(400);
            }
        }
    }
    // closeonchallenge: the connection ends with the logon's answer, as after NTLM's challenge.
    reply.CloseConnection = !m_Proof.isEmpty() && m_Host->Behaviour().CloseOnChallenge;
    reply.Authenticate = std::exchange(m_Proof, QByteArray());
    return reply;
}
