#pragma once

#include <QByteArray>
#include <QByteArrayView>

class TNtlmSession;

// The multipart/encrypted body of WS-Management sealed with an NTLM session: the signature is always
// 16 bytes and the sealed bytes are as long as the message.
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
