#pragma once

#include "WsManTransport.h"

// HTTP Basic authentication: the user name and password go with every request, so this is meant for
// HTTPS or for test hosts; without a user name no credentials are sent.
class TWsManBasicTransport : public IWsManTransport {
public:
    TWsManBasicTransport(std::unique_ptr<TWsManHttpConnection> connection, const QString& userName,
                         const QString& password);

    TWsManHttpReply Send(const QByteArray& envelope) override;
    const TWsManHttpConnection& Connection() const override { return *m_Connection; }

private:
    std::unique_ptr<TWsManHttpConnection> m_Connection;
};
