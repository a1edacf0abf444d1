#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Where one object lives on the remote side: its resource URI and the selectors naming the instance
// (no selectors for a singleton).
struct TWsManEndpointReference {
    QString ResourceUri;
    QList<QPair<QString, QString>> Selectors;

    bool operator==(const TWsManEndpointReference&) const = default;
};
