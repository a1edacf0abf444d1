#include "PlatformAdapters.h"

#include <algorithm>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace Platform {

namespace {

QString DottedText(const sockaddr* address) {
    char buffer[INET_ADDRSTRLEN] = {};
    if (address)
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, buffer, sizeof buffer);
    return QString::fromLatin1(buffer);
}

} // namespace

// getifaddrs lists one entry per address, loopback and down interfaces included; entries of one interface are gathered
// under it, in the order the interfaces first appear. The interface name serves as the description.
QList<TAdapterInfo> GetAdaptersIPv4() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return {};
    QList<TAdapterInfo> adapters;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        // Loopback and interfaces that are down give no range to scan.
        if ((entry->ifa_flags & IFF_LOOPBACK) || !(entry->ifa_flags & IFF_UP))
            continue;
        const QString name = QString::fromUtf8(entry->ifa_name);
        auto adapter = std::find_if(adapters.begin(), adapters.end(),
                                    [&name](const TAdapterInfo& known) { return known.Description == name; });
        if (adapter == adapters.end()) {
            adapters.append({name, {}});
            adapter = adapters.end() - 1;
        }
        adapter->Addresses.append(
            {DottedText(entry->ifa_addr), DottedText(entry->ifa_netmask), ::if_nametoindex(entry->ifa_name)});
    }
    ::freeifaddrs(list);
    return adapters;
}

} // namespace Platform
