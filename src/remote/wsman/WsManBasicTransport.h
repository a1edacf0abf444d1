#pragma once

#include "WsManTransport.h"

// HTTP Basic authentication: the user name and password, readable by anyone on the way unless the
// connection is HTTPS. They go out only once the computer has asked for Basic with a 401 challenge,
// and from then on with every request; without a user name no credentials are sent.
class TWsManBasicTransport : public IWsManTransport {
public:
    TWsManBasicTransport(std::unique_ptr<TWsManHttpConnection> connection, const QString& userName,
                         const QString& password);

    TWsManHttpReply Send(const QByteArray& envelope) override;
    const TWsManHttpConnection& Connection() const override { return *m_Connection; }

    // True when one of the answer's WWW-Authenticate headers offers the Basic scheme.
    static bool OffersBasic(const TWsManHttpReply& reply);

private:
    std::unique_ptr<TWsManHttpConnection> m_Connection;
    QString m_UserName;
    QString m_Password;
    QList<QByteArray> m_Authorization; // empty until the computer has asked
};
