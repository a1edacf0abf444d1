#include "uNetworkComputerBrowser.h"

#include "PlatformNetworkBrowse.h"

QStringList TNetworkComputerBrowser::BrowseComputers() {
    QStringList domains = Platform::BrowseDomains().value_or(QStringList());
    if (domains.isEmpty())
        domains.append(Platform::PrimaryDomain());
    QStringList names;
    for (const QString& domain : std::as_const(domains))
        for (const QString& name : Platform::BrowseComputers(domain, Platform::AllServerTypes).value_or(QStringList()))
            if (!names.contains(name, Qt::CaseInsensitive))
                names.append(name);
    return names;
}
