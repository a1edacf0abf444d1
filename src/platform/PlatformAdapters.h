#pragma once

#include <QList>
#include <QString>

// The IPv4 addresses of the local network adapters.
namespace Platform {

struct TAdapterAddress {
    QString Address; // dotted text as the system reports it
    QString Mask;    // dotted text
    quint32 Context = 0;
};

struct TAdapterInfo {
    QString Description; // human-readable adapter name
    QList<TAdapterAddress> Addresses;
};

// Adapters in the system's order, each with its IPv4 addresses in order; empty when the system
// gives no information.
QList<TAdapterInfo> GetAdaptersIPv4();

} // namespace Platform
