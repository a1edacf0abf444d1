#pragma once

#include <QByteArray>
#include <QByteArrayView>

class TNtlmSession;

// The body of a WS-Management message sealed with an NTLM session, as Windows sends it over HTTP:
// a multipart/encrypted body whose first part names the plain length and whose second part holds
// the signature length (16, little-endian), the signature and the sealed bytes.
namespace NtlmEncryptedBody {

// The Content-Type header value of such a body.
QByteArray ContentType();
// Whether a Content-Type header value announces such a body.
bool IsEncrypted(QByteArrayView contentType);

QByteArray Encode(TNtlmSession& session, QByteArrayView soap);
// The plain message; TNtlmError when the body is malformed, its length differs from the announced
// one or its signature does not hold.
QByteArray Decode(TNtlmSession& session, QByteArrayView body);

} // namespace NtlmEncryptedBody
