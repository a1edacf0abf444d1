#include "uWebPages.h"

QUrl WebPageUrl(const QString& host, const QString& action, const QString& querySuffix) {
    if (host.isEmpty())
        return {};
    // The host comes from the build; a host with a path or a port must not turn into another page.
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setAuthority(host);
    url.setPath(QStringLiteral("/action.php"));
    url.setQuery(QStringLiteral("action=") + action + querySuffix);
    return url.isValid() ? url : QUrl();
}
