#pragma once

#include <QByteArray>

// What a simulated host does with one HTTP request.
struct THostReply {
    enum class TKind { Answer, Drop, Silent };
    TKind Kind = TKind::Answer;
    int Status = 200;
    QByteArray Body;
    bool AskForCredentials = false; // adds the WWW-Authenticate headers of a 401
    QByteArray Authenticate;        // a WWW-Authenticate value that carries a handshake token
    QByteArray ContentType;         // of the body; empty: SOAP
    bool CloseConnection = false;   // the connection ends with this answer
    int DelayMs = 0;

    static THostReply Of(TKind kind) {
        THostReply reply;
        reply.Kind = kind;
        return reply;
    }
    static THostReply WithStatus(int status, QByteArray body = QByteArray()) {
        THostReply reply;
        reply.Status = status;
        reply.Body = std::move(body);
        return reply;
    }
    // A 401 that offers the logons again: a refused or broken handshake.
    static THostReply Refusal() {
        THostReply reply = WithStatus(401);
        reply.AskForCredentials = true;
        return reply;
    }
};

// The content type of a SOAP body that a logon has unsealed.
inline const QByteArray SoapContentType = "application/soap+xml;charset=UTF-8";
