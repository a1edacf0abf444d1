#pragma once

#include "WsManEndpointReference.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Builds the SOAP envelopes of the WS-Management requests this program sends.
class TWsManEnvelope {
public:
    // toAddress is the endpoint URL; operationTimeoutMs is what the remote side may take.
    TWsManEnvelope(QString toAddress, qint64 operationTimeoutMs);

    // An optimized enumeration of objects and their endpoint references selected by a WQL query.
    QByteArray Enumerate(const QString& resourceUri, const QString& wqlQuery) const;
    QByteArray Pull(const QString& resourceUri, const QString& enumerationContext) const;
    QByteArray Release(const QString& resourceUri, const QString& enumerationContext) const;
    // Calls a method of the object: the action is the object's resource URI plus "/" plus the method.
    QByteArray Invoke(const TWsManEndpointReference& object, const QString& method,
                      const QList<QPair<QString, QString>>& parameters) const;

    // Items asked for per Enumerate or Pull.
    static constexpr int MaxElements = 32000;

private:
    QString m_ToAddress;
    qint64 m_OperationTimeoutMs;
};
