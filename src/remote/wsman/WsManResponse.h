#pragma once

#include "WsManEndpointReference.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// What a WS-Management answer says, read from its SOAP envelope. Parsing never throws: a body that is
// not a SOAP envelope sets ParseError, and the caller decides what the missing parts mean.
struct TWsManResponse {
    QString ParseError; // empty when the text was a well-formed SOAP envelope

    QString Action;        // a:Action of the header
    QString BodyNamespace; // namespace and local name of the body's first element
    QString BodyName;

    bool IsFault = false;
    QString FaultMessage; // the innermost f:Message, else the s:Reason text
    qint64 FaultCode = 0; // Code of the innermost f:WSManFault

    QString EnumerationContext;
    bool EndOfSequence = false;
    // One entry per item; an item without an endpoint reference has an empty ResourceUri.
    QList<TWsManEndpointReference> Items;
    // The simple properties of each item's object, by local name, in the order of Items; a property
    // that wraps its value (cim:Datetime) gives the wrapped text.
    QList<QHash<QString, QString>> ItemProperties;

    // Child elements of an output element such as Win32Shutdown_OUTPUT, by local name.
    QHash<QString, QString> OutputValues;

    bool IsBody(const QString& nsUri, const QString& name) const { return BodyNamespace == nsUri && BodyName == name; }

    static TWsManResponse Parse(const QByteArray& xml);
};
