#pragma once

#include <QSslCertificate>
#include <QSslKey>

// A certificate and key made in memory at start, so that HTTPS needs no files or tools.
struct TSelfSignedCertificate {
    QSslCertificate Certificate{QByteArray()};
    QSslKey Key;

    // Empty certificate when OpenSSL fails.
    static TSelfSignedCertificate Make(const QString& commonName);
};
