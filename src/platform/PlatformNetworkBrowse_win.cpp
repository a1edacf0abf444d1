#include "PlatformNetworkBrowse.h"

#include <windows.h>

#include <lm.h>

namespace Platform {

namespace {

// NetServerEnum of the local computer at level 101, repeated while it has more data.
std::optional<QStringList> Enumerate(const QString& domain, DWORD serverTypes) {
    QStringList names;
    DWORD resume = 0;
    NET_API_STATUS status;
    do {
        LPBYTE buffer = nullptr;
        DWORD read = 0;
        DWORD total = 0;
        status = NetServerEnum(nullptr, 101, &buffer, MAX_PREFERRED_LENGTH, &read, &total, serverTypes,
                               domain.isEmpty() ? nullptr : reinterpret_cast<LPCWSTR>(domain.utf16()), &resume);
        if ((status == NERR_Success || status == ERROR_MORE_DATA) && buffer) {
            const auto* entries = reinterpret_cast<const SERVER_INFO_101*>(buffer);
            for (DWORD i = 0; i < read; ++i)
                names.append(QString::fromWCharArray(entries[i].sv101_name));
        }
        if (buffer)
            NetApiBufferFree(buffer);
    } while (status == ERROR_MORE_DATA);
    if (status != NERR_Success)
        return names.isEmpty() ? std::nullopt : std::optional<QStringList>(names);
    return names;
}

} // namespace

std::optional<QStringList> BrowseDomains() {
    return Enumerate(QString(), SV_TYPE_DOMAIN_ENUM);
}

std::optional<QStringList> BrowseComputers(const QString& domain, quint32 serverTypes) {
    return Enumerate(domain, serverTypes);
}

QString PrimaryDomain() {
    return QString(); // NetServerEnum without a domain asks the primary one
}

} // namespace Platform
