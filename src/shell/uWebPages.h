#pragma once

#include <QString>
#include <QUrl>

// The maker's web page for an action ("help", "home", "support", "feedback", "update"): action.php on
// the host with the product's query suffix. An empty host gives an empty address.
QUrl WebPageUrl(const QString& host, const QString& action, const QString& querySuffix);
