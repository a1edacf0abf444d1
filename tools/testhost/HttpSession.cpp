#include "HttpSession.h"

#include "CallCounter.h"
#include "SimulatedHost.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace {

constexpr qsizetype MaxHeaderSize = 64 * 1024;
constexpr qsizetype MaxBodySize = 4 * 1024 * 1024;

QByteArray StatusText(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Request Entity Too Large";
    case 415:
        return "Unsupported Media Type";
    default:
        return "Internal Server Error";
    }
}

struct TRequestHead {
    QByteArray Method;
    QByteArray Path;
    QByteArray Authorization;
    QByteArray ContentType;
    qsizetype ContentLength = 0;
    bool Close = false;
};

TRequestHead ParseHead(const QByteArray& head) {
    TRequestHead request;
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.Method = requestLine.value(0);
    request.Path = requestLine.value(1);
    request.Close = requestLine.value(2) == "HTTP/1.0";
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = lines[i].left(colon).trimmed().toLower();
        const QByteArray value = lines[i].mid(colon + 1).trimmed();
        if (name == "authorization")
            request.Authorization = value;
        else if (name == "content-type")
            request.ContentType = value;
        else if (name == "content-length")
            request.ContentLength = value.toLongLong();
        else if (name == "connection")
            request.Close = value.toLower() == "close";
    }
    return request;
}

// What a client's channel bindings must name on this connection: the certificate it is served with.
TChannelBinding ServedBinding(QTcpSocket* socket) {
    const auto* tls = qobject_cast<QSslSocket*>(socket);
    return tls ? TChannelBinding::FromCertificate(tls->sslConfiguration().localCertificate().toDer())
               : TChannelBinding();
}

} // namespace

THttpSession::THttpSession(QTcpSocket* socket, TSimulatedHost* host, TCallCounter* counter)
    : QObject(socket), m_Socket(socket), m_Host(host), m_Counter(counter), m_Ntlm(host, ServedBinding(socket)),
      m_Kerberos(host), m_Https(qobject_cast<QSslSocket*>(socket) != nullptr) {
    connect(socket, &QTcpSocket::readyRead, this, &THttpSession::ReadRequests);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    ReadRequests();
}

THttpSession::~THttpSession() {
    if (m_Busy)
        m_Counter->Finished();
}

void THttpSession::ReadRequests() {
    while (!m_Busy) {
        m_Buffer += m_Socket->readAll();
        const qsizetype headEnd = m_Buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            if (m_Buffer.size() > MaxHeaderSize)
                m_Socket->abort();
            return;
        }
        const TRequestHead head = ParseHead(m_Buffer.left(headEnd));
        if (head.ContentLength < 0 || head.ContentLength > MaxBodySize) {
            m_Busy = true;
            m_Counter->Started();
            m_CloseAfterAnswer = true;
            Respond(THostReply::WithStatus(413));
            return;
        }
        if (m_Buffer.size() < headEnd + 4 + head.ContentLength)
            return;
        const QByteArray body = m_Buffer.mid(headEnd + 4, head.ContentLength);
        m_Buffer.remove(0, headEnd + 4 + head.ContentLength);
        m_Busy = true;
        m_Counter->Started();
        m_CloseAfterAnswer = head.Close;
        if (head.Method != "POST")
            Respond(THostReply::WithStatus(405));
        else if (head.Path != "/wsman")
            Respond(THostReply::WithStatus(404));
        else
            Respond(Answer(head.Authorization, head.ContentType, body));
    }
}

// NTLM and Kerberos authenticate the connection, Basic every request once the connection has been challenged.
THostReply THttpSession::Answer(const QByteArray& authorization, const QByteArray& contentType,
                                const QByteArray& body) {
    if (TKerberosLogon::IsKerberosAuthorization(authorization)) {
        if (std::optional<THostReply> refused =
                m_Kerberos.Step(authorization, ServedBinding(m_Socket).ApplicationData()))
            return *refused;
    } else if (m_Kerberos.LoggedOn() && authorization.isEmpty()) {
        return m_Kerberos.Serve(contentType, body, m_Https);
    } else if (TNtlmLogon::IsNtlmAuthorization(authorization)) {
        if (std::optional<THostReply> handshake = m_Ntlm.Step(authorization))
            return *handshake;
    } else if (!m_Ntlm.LoggedOn()) {
        if (authorization.startsWith("Basic ") && !m_Challenged && !m_Host->Behaviour().PreemptiveBasic)
            return m_Host->RefuseUnaskedCredentials();
        THostReply reply = m_Host->Handle(authorization, contentType, body, m_Https);
        m_Challenged = m_Challenged || reply.AskForCredentials;
        return reply;
    }
    return m_Kerberos.LoggedOn() ? m_Kerberos.Serve(contentType, body, m_Https)
                                 : m_Ntlm.Serve(contentType, body, m_Https);
}

void THttpSession::Respond(const THostReply& reply) {
    if (reply.Kind == THostReply::TKind::Silent)
        return; // stays busy: nothing more is read or answered on this connection
    if (reply.Kind == THostReply::TKind::Drop) {
        m_Socket->abort();
        return;
    }
    if (reply.DelayMs > 0) {
        THostReply now = reply;
        now.DelayMs = 0;
        QTimer::singleShot(reply.DelayMs, this, [this, now] { Respond(now); });
        return;
    }
    if (reply.CloseConnection)
        m_CloseAfterAnswer = true;
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(reply.Status) + ' ' + StatusText(reply.Status) + "\r\n";
    answer += "Server: Microsoft-HTTPAPI/2.0\r\n";
    if (reply.AskForCredentials)
        answer += QByteArray("WWW-Authenticate: ") + (m_Host->Behaviour().NtlmOnly ? "NTLM" : "Negotiate") +
                  "\r\nWWW-Authenticate: Basic realm=\"WSMAN\"\r\n" +
                  (TKerberosLogon::Offered() ? "WWW-Authenticate: Kerberos\r\n" : "");
    if (!reply.Authenticate.isEmpty())
        answer += "WWW-Authenticate: " + reply.Authenticate + "\r\n";
    if (!reply.Body.isEmpty())
        answer += "Content-Type: " +
                  (reply.ContentType.isEmpty() ? "application/soap+xml;charset=UTF-8" : reply.ContentType) + "\r\n";
    answer += "Content-Length: " + QByteArray::number(reply.Body.size()) + "\r\n";
    if (m_CloseAfterAnswer)
        answer += "Connection: close\r\n";
    answer += "\r\n";
    m_Socket->write(answer);
    m_Socket->write(reply.Body);
    Finish();
}

void THttpSession::Finish() {
    m_Busy = false;
    m_Counter->Finished();
    if (m_CloseAfterAnswer) {
        m_Socket->disconnectFromHost();
        return;
    }
    QTimer::singleShot(0, this, &THttpSession::ReadRequests);
}
