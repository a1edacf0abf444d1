#include "PlatformNeighbours.h"

#include <winsock2.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>
#include <netioapi.h>
#include <windows.h>

namespace Platform {

QByteArray NeighbourHardwareAddress(quint32 address) {
    MIB_IPNET_TABLE2* table = nullptr;
    if (::GetIpNetTable2(AF_INET, &table) != NO_ERROR)
        return {};
    QByteArray result;
    for (ULONG i = 0; i < table->NumEntries && result.isEmpty(); ++i) {
        const MIB_IPNET_ROW2& row = table->Table[i];
        if (::ntohl(row.Address.Ipv4.sin_addr.s_addr) != address || row.PhysicalAddressLength != 6)
            continue;
        if (row.State == NlnsReachable || row.State == NlnsStale || row.State == NlnsDelay || row.State == NlnsProbe ||
            row.State == NlnsPermanent)
            result = QByteArray(reinterpret_cast<const char*>(row.PhysicalAddress), 6);
    }
    ::FreeMibTable(table);
    return result;
}

} // namespace Platform
