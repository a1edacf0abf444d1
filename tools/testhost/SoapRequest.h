#pragma once

#include <QByteArray>
#include <QDomElement>
#include <QList>
#include <QPair>
#include <QString>

// The parts of a WS-Management request the simulated host looks at.
struct TSoapRequest {
    QString Error; // empty when the envelope could be read
    QString Action;
    QString MessageId;
    QString ResourceUri;
    QList<QPair<QString, QString>> Selectors;
    QDomElement Body; // the body's first element

    static TSoapRequest Parse(const QByteArray& xml);
    // Text of the first descendant of the body element with that namespace and local name.
    QString BodyText(const QString& nsUri, const QString& name) const;
    bool BodyHas(const QString& nsUri, const QString& name) const;
};
