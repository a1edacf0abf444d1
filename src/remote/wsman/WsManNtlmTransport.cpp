#include "WsManNtlmTransport.h"

#include "ERemoteError.h"
#include "LangChanger.h"
#include "NtlmEncryptedBody.h"
#include "NtlmError.h"
#include "WsManChallenge.h"
#include "uFormat.h"

namespace {

const QByteArray SoapContentType = "application/soap+xml;charset=UTF-8";
const QByteArray NegotiateScheme = "Negotiate";
const QByteArray NtlmScheme = "NTLM";

} // namespace

TWsManNtlmTransport::TWsManNtlmTransport(std::unique_ptr<TWsManHttpConnection> connection, const QString& userName,
                                         const QString& password, bool preferNtlmScheme)
    : m_Connection(std::move(connection)), m_Ntlm(userName, password),
      m_Scheme(preferNtlmScheme ? NtlmScheme : NegotiateScheme) {}

TWsManNtlmTransport::~TWsManNtlmTransport() = default;

TWsManHttpReply TWsManNtlmTransport::Send(const QByteArray& envelope) {
    if (!m_Session) {
        if (std::optional<TWsManHttpReply> refused = Authenticate())
            return *refused;
    }
    TWsManHttpReply reply = Exchange(envelope);
    // The computer closed the connection the session belonged to; a sealed request on a new connection
    // cannot have been carried out, so log on again and send it once more.
    if (reply.NewConnection) {
        m_Session.reset();
        if (std::optional<TWsManHttpReply> refused = Authenticate())
            return *refused;
        reply = Exchange(envelope);
        if (reply.NewConnection)
            Raise(Format(LangStr(QStringLiteral("sNtlmConnectionLost")), {m_Connection->Computer()}));
    }
    return reply;
}

TWsManHttpReply TWsManNtlmTransport::Exchange(const QByteArray& envelope) {
    if (m_Connection->Settings().Https)
        return m_Connection->Post(envelope, SoapContentType);
    TWsManHttpReply reply;
    try {
        reply = m_Connection->Post(NtlmEncryptedBody::Encode(*m_Session, envelope), NtlmEncryptedBody::ContentType());
        if (reply.NewConnection || reply.Status == 401)
            return reply;
        if (NtlmEncryptedBody::IsEncrypted(reply.Header("Content-Type")))
            reply.Body = NtlmEncryptedBody::Decode(*m_Session, reply.Body);
        else if (reply.Status == 200 && !reply.Body.isEmpty())
            Raise(Format(LangStr(QStringLiteral("sNtlmUnsealedAnswer")), {m_Connection->Computer()}));
        // Windows answers some failures with an unsealed SOAP fault: it is kept for its text, and being an
        // error status it can never pass for success.
    } catch (const TNtlmError& error) {
        Raise(error.Text());
    }
    return reply;
}

std::optional<TWsManHttpReply> TWsManNtlmTransport::Authenticate() {
    TWsManHttpReply reply = PostAuthorization(m_Ntlm.NegotiateMessage());
    std::optional<QByteArray> challenge = AuthenticationOffer(reply, m_Scheme);
    if (reply.Status == 401 && (!challenge || challenge->isEmpty())) {
        const QByteArray other = m_Scheme == NtlmScheme ? NegotiateScheme : NtlmScheme;
        if (AuthenticationOffer(reply, other)) {
            m_Scheme = other;
            reply = PostAuthorization(m_Ntlm.NegotiateMessage());
            challenge = AuthenticationOffer(reply, m_Scheme);
        } else if (!challenge) {
            Raise(Format(LangStr(QStringLiteral("sNtlmNotOffered")), {m_Connection->Computer()}));
        }
    }
    if (reply.Status != 401)
        Raise(Format(LangStr(QStringLiteral("sRemoteHttpStatus")), {m_Connection->Computer(), int(reply.Status)}));
    if (!challenge || challenge->isEmpty())
        return reply; // the scheme is offered, but our NEGOTIATE was refused

    // The challenge came on the connection the logon belongs to: its TLS handshake is the one to bind to.
    m_Ntlm.SetTarget(QStringLiteral("HTTP/") + m_Connection->Host(), m_Connection->TlsChannelBinding().Md5());
    QByteArray authenticate;
    try {
        authenticate = m_Ntlm.AuthenticateMessage(QByteArray::fromBase64(*challenge));
    } catch (const TNtlmError& error) {
        Raise(error.Text());
    }
    reply = PostAuthorization(authenticate);
    if (reply.NewConnection)
        Raise(Format(LangStr(QStringLiteral("sNtlmConnectionLost")), {m_Connection->Computer()}));
    if (reply.Status == 401)
        return reply;
    if (reply.Status / 100 != 2)
        Raise(Format(LangStr(QStringLiteral("sRemoteHttpStatus")), {m_Connection->Computer(), int(reply.Status)}));
    m_Session = m_Ntlm.TakeSession();
    return std::nullopt;
}

TWsManHttpReply TWsManNtlmTransport::PostAuthorization(const QByteArray& token) {
    return m_Connection->Post(QByteArray(), SoapContentType, {"Authorization: " + m_Scheme + ' ' + token.toBase64()});
}

void TWsManNtlmTransport::Raise(const QString& text) const {
    throw ERemoteError(text, 0, m_Connection->Computer());
}
