#pragma once

#include "HostBehaviour.h"

#include <QHostAddress>
#include <QList>
#include <QString>

// "ADDRESS[-LASTADDRESS][,BEHAVIOUR...]": one address or an IPv4 range, and how those hosts behave.
struct THostSpec {
    QList<QHostAddress> Addresses;
    THostBehaviour Behaviour;

    // Returns an error text, or empty when the spec was read into result.
    static QString Parse(const QString& text, THostSpec& result);
};
