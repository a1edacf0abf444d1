#pragma once

#include "WsManEndpointReference.h"
#include "WsManEnvelope.h"
#include "WsManResponse.h"
#include "WsManTransport.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

// The WS-Management operations a remote WMI call needs, over one transport. Every failure raises
// ERemoteError: a SOAP fault with the remote side's own message, a refusal of the credentials with
// "Access is denied.", an answer that cannot be read with a text saying what is wrong with it.
class TWsManClient {
public:
    explicit TWsManClient(std::unique_ptr<IWsManTransport> transport);

    // The endpoint references of all objects the WQL query selects (Enumerate, then Pull until the end).
    // More than maxObjects in all fail the call; the enumeration is released when it is still open.
    QList<TWsManEndpointReference> Enumerate(const QString& resourceUri, const QString& wqlQuery,
                                             qsizetype maxObjects = MaxObjects);
    // The simple properties of all objects the WQL query selects, as Enumerate fetches them.
    QList<QHash<QString, QString>> EnumerateProperties(const QString& resourceUri, const QString& wqlQuery,
                                                       qsizetype maxObjects = MaxObjects);
    // Calls a method of an object and returns the values of its METHOD_OUTPUT element.
    QHash<QString, QString> Invoke(const TWsManEndpointReference& object, const QString& method,
                                   const QList<QPair<QString, QString>>& parameters);

    // More objects than this from one enumeration means the other side is not behaving.
    static constexpr qsizetype MaxObjects = 10000;

    // The OperationTimeout sent with a request when the call has remainingMs left (negative: no
    // deadline): a few seconds less, so that a slow computer's own fault arrives before this side
    // gives up.
    static qint64 OperationTimeoutMs(qint64 remainingMs);

private:
    TWsManEnvelope Envelope() const;
    struct TObjects {
        QList<TWsManEndpointReference> References;
        QList<QHash<QString, QString>> Properties;
    };
    TObjects EnumerateObjects(const QString& resourceUri, const QString& wqlQuery, qsizetype maxObjects);
    TWsManResponse Exchange(const QByteArray& envelope);
    [[noreturn]] void RaiseBadAnswer(const QString& cause) const;
    void ExpectBody(const TWsManResponse& response, const QString& nsUri, const QString& name) const;
    void AppendItems(TObjects& objects, const TWsManResponse& response) const;

    std::unique_ptr<IWsManTransport> m_Transport;
};
