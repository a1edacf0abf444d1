#include "WsManClient.h"

#include "ERemoteError.h"
#include "LangChanger.h"
#include "WsManNamespaces.h"
#include "uFormat.h"

TWsManClient::TWsManClient(std::unique_ptr<IWsManTransport> transport) : m_Transport(std::move(transport)) {}

qint64 TWsManClient::OperationTimeoutMs(qint64 remainingMs) {
    constexpr qint64 WithoutDeadlineMs = 60000;
    constexpr qint64 MarginMs = 5000;
    if (remainingMs < 0)
        return WithoutDeadlineMs;
    return remainingMs - qMin(MarginMs, remainingMs / 4);
}

TWsManEnvelope TWsManClient::Envelope() const {
    const TWsManHttpConnection& connection = m_Transport->Connection();
    return TWsManEnvelope(connection.Url(), OperationTimeoutMs(connection.Deadline().remainingTime()));
}

QList<TWsManEndpointReference> TWsManClient::Enumerate(const QString& resourceUri, const QString& wqlQuery,
                                                       qsizetype maxObjects) {
    TObjects objects = EnumerateObjects(resourceUri, wqlQuery, maxObjects);
    for (const TWsManEndpointReference& item : std::as_const(objects.References)) {
        if (item.ResourceUri.isEmpty())
            RaiseBadAnswer(
                Format(LangStr(QStringLiteral("sRemoteAnswerLacks")), {QStringLiteral("EndpointReference")}));
    }
    return std::move(objects.References);
}

QList<QHash<QString, QString>> TWsManClient::EnumerateProperties(const QString& resourceUri, const QString& wqlQuery,
                                                                 qsizetype maxObjects) {
    return EnumerateObjects(resourceUri, wqlQuery, maxObjects).Properties;
}

TWsManClient::TObjects TWsManClient::EnumerateObjects(const QString& resourceUri, const QString& wqlQuery,
                                                      qsizetype maxObjects) {
    TWsManResponse response = Exchange(Envelope().Enumerate(resourceUri, wqlQuery));
    ExpectBody(response, WsManNs::Enumeration, QStringLiteral("EnumerateResponse"));
    TObjects objects;
    for (;;) {
        // Every batch counts, the first one of an optimized enumeration too.
        if (objects.References.size() + response.Items.size() > maxObjects) {
            if (!response.EndOfSequence && !response.EnumerationContext.isEmpty())
                Exchange(Envelope().Release(resourceUri, response.EnumerationContext));
            RaiseBadAnswer(Format(LangStr(QStringLiteral("sRemoteTooManyObjects")), {int(maxObjects)}));
        }
        AppendItems(objects, response);
        if (response.EndOfSequence)
            return objects;
        if (response.EnumerationContext.isEmpty())
            RaiseBadAnswer(
                Format(LangStr(QStringLiteral("sRemoteAnswerLacks")), {QStringLiteral("EnumerationContext")}));
        response = Exchange(Envelope().Pull(resourceUri, response.EnumerationContext));
        ExpectBody(response, WsManNs::Enumeration, QStringLiteral("PullResponse"));
    }
}

QHash<QString, QString> TWsManClient::Invoke(const TWsManEndpointReference& object, const QString& method,
                                             const QList<QPair<QString, QString>>& parameters) {
    const TWsManResponse response = Exchange(Envelope().Invoke(object, method, parameters));
    ExpectBody(response, object.ResourceUri, method + QStringLiteral("_OUTPUT"));
    return response.OutputValues;
}

TWsManResponse TWsManClient::Exchange(const QByteArray& envelope) {
    const TWsManHttpReply reply = m_Transport->Send(envelope);
    const TWsManHttpConnection& connection = m_Transport->Connection();
    if (reply.Status == 401)
        throw ERemoteError(LangStr(QStringLiteral("sRemoteAccessDenied")), 5, connection.Computer());
    TWsManResponse response = TWsManResponse::Parse(reply.Body);
    if (response.ParseError.isEmpty() && response.IsFault) {
        const QString message =
            response.FaultMessage.isEmpty()
                ? Format(LangStr(QStringLiteral("sRemoteFaultWithoutText")), {connection.Computer()})
                : response.FaultMessage;
        throw ERemoteError(message, response.FaultCode, connection.Computer());
    }
    if (reply.Status != 200)
        throw ERemoteError(
            Format(LangStr(QStringLiteral("sRemoteHttpStatus")), {connection.Computer(), int(reply.Status)}), 0,
            connection.Computer());
    if (!response.ParseError.isEmpty())
        RaiseBadAnswer(response.ParseError);
    return response;
}

void TWsManClient::RaiseBadAnswer(const QString& cause) const {
    const QString& computer = m_Transport->Connection().Computer();
    throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteBadAnswer")), {computer, cause}), 0, computer);
}

void TWsManClient::ExpectBody(const TWsManResponse& response, const QString& nsUri, const QString& name) const {
    if (!response.IsBody(nsUri, name))
        RaiseBadAnswer(Format(LangStr(QStringLiteral("sRemoteAnswerLacks")), {name}));
}

void TWsManClient::AppendItems(TObjects& objects, const TWsManResponse& response) const {
    objects.References.append(response.Items);
    objects.Properties.append(response.ItemProperties);
}
