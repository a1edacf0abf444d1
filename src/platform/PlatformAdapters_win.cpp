#include "PlatformAdapters.h"

#include <winsock2.h>

#include <iphlpapi.h>
#include <vector>

namespace Platform {

QList<TAdapterInfo> GetAdaptersIPv4() {
    ULONG size = 0;
    const DWORD probe = ::GetAdaptersInfo(nullptr, &size);
    if (probe != ERROR_BUFFER_OVERFLOW && probe != ERROR_INSUFFICIENT_BUFFER)
        return {};
    std::vector<unsigned char> buffer(size, 0);
    auto* first = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
    if (::GetAdaptersInfo(first, &size) != NO_ERROR)
        return {};
    QList<TAdapterInfo> adapters;
    for (const IP_ADAPTER_INFO* adapter = first; adapter; adapter = adapter->Next) {
        TAdapterInfo info{QString::fromLocal8Bit(adapter->Description), {}};
        for (const IP_ADDR_STRING* entry = &adapter->IpAddressList; entry; entry = entry->Next)
            info.Addresses.append({QString::fromLatin1(entry->IpAddress.String),
                                   QString::fromLatin1(entry->IpMask.String), entry->Context});
        adapters.append(info);
    }
    return adapters;
}

} // namespace Platform
