#pragma once

#include <QHostAddress>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>

// A certificate and key made in memory at start, so that HTTPS needs no files or tools.
struct TSelfSignedCertificate {
    QSslCertificate Certificate{QByteArray()};
    QSslKey Key;

    // Names the addresses (up to MaxAddresses of them) as its subject's alternative names, so that a
    // client that trusts it can also check the name. Empty certificate when OpenSSL fails.
    static TSelfSignedCertificate Make(const QString& commonName, const QList<QHostAddress>& addresses);

    static constexpr qsizetype MaxAddresses = 256;
};
