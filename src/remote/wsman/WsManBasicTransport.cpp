#include "WsManBasicTransport.h"

namespace {

const QByteArray ContentType = "application/soap+xml;charset=UTF-8";

} // namespace

TWsManBasicTransport::TWsManBasicTransport(std::unique_ptr<TWsManHttpConnection> connection, const QString& userName,
                                           const QString& password)
    : m_Connection(std::move(connection)), m_UserName(userName), m_Password(password) {}

TWsManHttpReply TWsManBasicTransport::Send(const QByteArray& envelope) {
    TWsManHttpReply reply = m_Connection->Post(envelope, ContentType, m_Authorization);
    if (reply.Status != 401 || !m_Authorization.isEmpty() || m_UserName.isEmpty() || !OffersBasic(reply))
        return reply;
    m_Authorization = {"Authorization: Basic " + (m_UserName + QLatin1Char(':') + m_Password).toUtf8().toBase64()};
    return m_Connection->Post(envelope, ContentType, m_Authorization);
}

bool TWsManBasicTransport::OffersBasic(const TWsManHttpReply& reply) {
    for (const auto& [name, value] : reply.Headers) {
        if (name.compare("WWW-Authenticate", Qt::CaseInsensitive) != 0)
            continue;
        // One header may carry several challenges, separated by commas.
        for (const QByteArray& part : value.split(',')) {
            const QByteArray scheme = part.trimmed().split(' ').first();
            if (scheme.compare("Basic", Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}
