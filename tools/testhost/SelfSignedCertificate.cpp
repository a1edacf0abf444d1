#include "SelfSignedCertificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace {

template <auto Free> struct TFreeWith {
    template <typename T> void operator()(T* p) const { Free(p); }
};
using TKey = std::unique_ptr<EVP_PKEY, TFreeWith<EVP_PKEY_free>>;
using TCert = std::unique_ptr<X509, TFreeWith<X509_free>>;
using TBio = std::unique_ptr<BIO, TFreeWith<BIO_free>>;

QByteArray BioText(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return QByteArray(data, qsizetype(size));
}

} // namespace

TSelfSignedCertificate TSelfSignedCertificate::Make(const QString& commonName, const QList<QHostAddress>& addresses) {
    TKey key(EVP_EC_gen("P-256"));
    TCert cert(X509_new());
    if (!key || !cert)
        return TSelfSignedCertificate();
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 7L * 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    const QByteArray cn = commonName.toUtf8();
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(cn.constData()), -1,
                               -1, 0);
    X509_set_issuer_name(cert.get(), name);
    QStringList altNames;
    for (const QHostAddress& address : addresses.first(qMin(addresses.size(), MaxAddresses)))
        altNames.append(QStringLiteral("IP:") + address.toString());
    if (!altNames.isEmpty()) {
        using TExtension = std::unique_ptr<X509_EXTENSION, TFreeWith<X509_EXTENSION_free>>;
        const TExtension extension(X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name,
                                                       altNames.join(QLatin1Char(',')).toLatin1().constData()));
        if (!extension || !X509_add_ext(cert.get(), extension.get(), -1))
            return TSelfSignedCertificate();
    }
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0)
        return TSelfSignedCertificate();
    TBio certPem(BIO_new(BIO_s_mem()));
    TBio keyPem(BIO_new(BIO_s_mem()));
    if (!PEM_write_bio_X509(certPem.get(), cert.get()) ||
        !PEM_write_bio_PrivateKey(keyPem.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr))
        return TSelfSignedCertificate();
    return {QSslCertificate(BioText(certPem.get()), QSsl::Pem), QSslKey(BioText(keyPem.get()), QSsl::Ec, QSsl::Pem)};
}
