#pragma once

#include <QByteArray>

// The system's neighbour table: the hardware addresses of hosts on the local links that this computer
// has talked to lately.
namespace Platform {

// The six bytes of the hardware address the table holds, complete, for the IPv4 address (host byte
// order); empty when it holds none.
QByteArray NeighbourHardwareAddress(quint32 address);

} // namespace Platform
