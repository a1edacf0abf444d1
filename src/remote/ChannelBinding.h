#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The tls-server-end-point channel binding of an HTTPS connection (RFC 5929): the hash of the server's
// certificate, by which a logon proves it was made for this very TLS connection and cannot be relayed
// to another. NTLM sends the MD5 of its GSS channel bindings; Kerberos passes the application data to
// GSSAPI, which puts it into the authenticator's checksum.
class TChannelBinding {
public:
    // No binding: a plain HTTP connection, or a certificate that could not be read.
    TChannelBinding() = default;
    // From the server's certificate in DER. The hash is that of the certificate's signature, except that
    // MD5 and SHA-1 (and signatures without a hash of their own) give SHA-256.
    static TChannelBinding FromCertificate(QByteArrayView der);
    // The same from a PEM text, as libcurl reports the peer certificate.
    static TChannelBinding FromPem(QByteArrayView pem);

    bool IsEmpty() const { return m_ApplicationData.isEmpty(); }
    // "tls-server-end-point:" followed by the certificate's hash.
    const QByteArray& ApplicationData() const { return m_ApplicationData; }
    // MD5 over the GSS channel bindings structure (no addresses, this application data): the value of
    // NTLM's MsvAvChannelBindings. Sixteen zero bytes without a binding, as Windows sends it then.
    QByteArray Md5() const;

    bool operator==(const TChannelBinding&) const = default;

private:
    QByteArray m_ApplicationData;
};
