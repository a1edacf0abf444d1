#pragma once

#include <QByteArray>
#include <QString>

// Broadcast datagrams, for waking computers. Addresses in host byte order.
namespace Platform {

// Sends one UDP datagram to the address (a directed or the limited broadcast address) and port with
// broadcasting allowed. Empty on success, else the system's reason.
QString SendBroadcastDatagram(quint32 address, quint16 port, const QByteArray& data);

} // namespace Platform
