#pragma once

#include <QByteArray>
#include <QByteArrayView>

class IMessageSeal;

// The body of a WS-Management message sealed by an established logon, as Windows sends it over HTTP:
// a multipart/encrypted body whose first part names the protocol and the plain length, and whose
// second part holds the signature length (little-endian), the signature and the sealed bytes.
namespace EncryptedBody {

// The Content-Type header value of such a body.
QByteArray ContentType(QByteArrayView protocol);
// Whether a Content-Type header value announces such a body of that protocol.
bool IsEncrypted(QByteArrayView contentType, QByteArrayView protocol);

QByteArray Encode(IMessageSeal& seal, QByteArrayView soap);
// The plain message; TNtlmError when the body is malformed, its length differs from the announced
// one or its signature does not hold.
QByteArray Decode(IMessageSeal& seal, QByteArrayView body);

} // namespace EncryptedBody
