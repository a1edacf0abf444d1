#include "WsManKerberosTransport.h"

#include "ERemoteError.h"
#include "EncryptedBody.h"
#include "KerberosError.h"
#include "LangChanger.h"
#include "NtlmError.h"
#include "WsManChallenge.h"
#include "uFormat.h"

namespace {

const QByteArray SoapContentType = "application/soap+xml;charset=UTF-8";

} // namespace

TWsManKerberosTransport::TWsManKerberosTransport(std::unique_ptr<TWsManHttpConnection> connection,
                                                 std::unique_ptr<TKerberosClient> client,
                                                 TKerberosClient::TMechanism mechanism)
    : m_Connection(std::move(connection)), m_Client(std::move(client)),
      m_Scheme(mechanism == TKerberosClient::TMechanism::Spnego ? "Negotiate" : "Kerberos"),
      m_Protocol(mechanism == TKerberosClient::TMechanism::Spnego ? "application/HTTP-SPNEGO-session-encrypted"
                                                                  : "application/HTTP-Kerberos-session-encrypted") {}

TWsManKerberosTransport::~TWsManKerberosTransport() = default;

TWsManHttpReply TWsManKerberosTransport::Send(const QByteArray& envelope) {
    if (!m_Context) {
        if (std::optional<TWsManHttpReply> refused = Authenticate())
            return *refused;
    }
    TWsManHttpReply reply = Exchange(envelope);
    // The context belonged to the connection that the computer closed: a sealed request on a new
    // connection cannot have been carried out, so log on again (the ticket serves again) and send it once more.
    if (reply.NewConnection) {
        m_Context.reset();
        if (std::optional<TWsManHttpReply> refused = Authenticate())
            return *refused;
        reply = Exchange(envelope);
        if (reply.NewConnection)
            Raise(Format(LangStr(QStringLiteral("sKerberosConnectionLost")), {m_Connection->Computer()}));
    }
    return reply;
}

std::optional<TWsManHttpReply> TWsManKerberosTransport::Authenticate() {
    try {
        // The channel binding needs the server's certificate: a first request without credentials
        // opens the TLS connection.
        if (m_Connection->Settings().Https && m_Connection->TlsChannelBinding().IsEmpty())
            m_Connection->Post(QByteArray(), SoapContentType);
        QByteArray token = m_Client->FirstToken(m_Connection->TlsChannelBinding().ApplicationData());
        for (int leg = 0; leg < 4; ++leg) {
            const TWsManHttpReply reply = m_Connection->Post(QByteArray(), SoapContentType,
                                                             {"Authorization: " + m_Scheme + ' ' + token.toBase64()});
            const std::optional<QByteArray> answer = AuthenticationOffer(reply, m_Scheme);
            if (reply.Status == 401 && (!answer || answer->isEmpty()))
                return reply; // the ticket was refused
            if (reply.Status != 401 && reply.Status / 100 != 2)
                Raise(Format(LangStr(QStringLiteral("sRemoteHttpStatus")),
                             {m_Connection->Computer(), int(reply.Status)}));
            if (!answer || answer->isEmpty())
                Raise(Format(LangStr(QStringLiteral("sKerberosNotMutual")), {m_Connection->Computer()}));
            token = m_Client->Step(QByteArray::fromBase64(*answer));
            if (reply.Status / 100 == 2) {
                if (!m_Client->Established())
                    Raise(Format(LangStr(QStringLiteral("sKerberosNotMutual")), {m_Connection->Computer()}));
                m_Context = m_Client->TakeContext(m_Protocol);
                return std::nullopt;
            }
        }
    } catch (const TKerberosError& error) {
        Raise(error.Text());
    }
    Raise(Format(LangStr(QStringLiteral("sKerberosNotMutual")), {m_Connection->Computer()}));
}

TWsManHttpReply TWsManKerberosTransport::Exchange(const QByteArray& envelope) {
    if (m_Connection->Settings().Https)
        return m_Connection->Post(envelope, SoapContentType);
    TWsManHttpReply reply;
    try {
        reply = m_Connection->Post(EncryptedBody::Encode(*m_Context, envelope), EncryptedBody::ContentType(m_Protocol));
        if (reply.NewConnection || reply.Status == 401)
            return reply;
        if (EncryptedBody::IsEncrypted(reply.Header("Content-Type"), m_Protocol))
            reply.Body = EncryptedBody::Decode(*m_Context, reply.Body);
        else if (reply.Status == 200 && !reply.Body.isEmpty())
            Raise(Format(LangStr(QStringLiteral("sNtlmUnsealedAnswer")), {m_Connection->Computer()}));
        else
            reply.Body.clear(); // an unsealed error page: only its status counts
    } catch (const TNtlmError& error) {
        Raise(error.Text());
    }
    return reply;
}

void TWsManKerberosTransport::Raise(const QString& text) const {
    throw ERemoteError(text, 0, m_Connection->Computer());
}
