#include "WsManBasicTransport.h"

TWsManBasicTransport::TWsManBasicTransport(std::unique_ptr<TWsManHttpConnection> connection, const QString& userName,
                                           const QString& password)
    : m_Connection(std::move(connection)) {
    if (!userName.isEmpty())
        m_Connection->SetBasicCredentials(userName, password);
}

TWsManHttpReply TWsManBasicTransport::Send(const QByteArray& envelope) {
    return m_Connection->Post(envelope, "application/soap+xml;charset=UTF-8");
}
