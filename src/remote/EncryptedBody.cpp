#include "EncryptedBody.h"

#include "IMessageSeal.h"
#include "LangChanger.h"
#include "NtlmError.h"

#include <QtEndian>

namespace EncryptedBody {

namespace {

constexpr QByteArrayView Boundary = "--Encrypted Boundary";
constexpr QByteArrayView PartStart = "--Encrypted Boundary\r\n";
constexpr QByteArrayView BodyEnd = "--Encrypted Boundary--";
constexpr QByteArrayView OctetStream = "application/octet-stream";
constexpr QByteArrayView LengthKey = "Length=";

[[noreturn]] void Malformed() {
    throw TNtlmError(LangStr(QStringLiteral("sNtlmMalformedEncryptedBody")));
}

// Walks the body; every read is checked against its end.
class TCursor {
public:
    explicit TCursor(QByteArrayView body) : m_body(body) {}

    bool AtEnd() const { return m_at == m_body.size(); }
    bool Skip(QByteArrayView text) {
        if (!m_body.sliced(m_at).startsWith(text))
            return false;
        m_at += text.size();
        return true;
    }
    // One header line without its line break and surrounding blanks.
    QByteArrayView Line() {
        const qsizetype end = m_body.indexOf("\r\n", m_at);
        if (end < 0)
            Malformed();
        const QByteArrayView line = m_body.sliced(m_at, end - m_at).trimmed();
        m_at = end + 2;
        return line;
    }
    QByteArrayView Take(qsizetype size) {
        if (size < 0 || size > m_body.size() - m_at)
            throw TNtlmError(LangStr(QStringLiteral("sNtlmLengthMismatch")));
        const QByteArrayView taken = m_body.sliced(m_at, size);
        m_at += size;
        return taken;
    }
    // How many bytes, at most limit, come before the next part's boundary: the padding of a scheme
    // that pads; none when no boundary follows that close.
    qsizetype BytesBefore(QByteArrayView boundary, qsizetype limit) const {
        if (limit <= 0)
            return 0;
        const qsizetype end = m_body.indexOf(boundary, m_at);
        return end >= 0 && end - m_at <= limit ? end - m_at : 0;
    }

private:
    QByteArrayView m_body;
    qsizetype m_at = 0;
};

// The value of a "Name: value" header line when the name matches.
bool HeaderValue(QByteArrayView line, QByteArrayView name, QByteArrayView& value) {
    if (line.size() <= name.size() || line.at(name.size()) != ':' ||
        QByteArrayView(line.first(name.size())).compare(name, Qt::CaseInsensitive) != 0)
        return false;
    value = line.sliced(name.size() + 1).trimmed();
    return true;
}

// The Length= of an OriginalContent value such as "type=application/soap+xml;charset=UTF-8;Length=1234".
qsizetype OriginalLength(QByteArrayView value) {
    const qsizetype at = value.indexOf(LengthKey);
    if (at < 0)
        Malformed();
    QByteArrayView digits = value.sliced(at + LengthKey.size());
    const qsizetype end = digits.indexOf(';');
    if (end >= 0)
        digits = digits.first(end);
    bool ok = false;
    const qlonglong length = digits.trimmed().toLongLong(&ok);
    if (!ok || length < 0 || digits.trimmed().startsWith('+'))
        Malformed();
    return length;
}

// The header lines of the first part, up to the second part's boundary: the announced plain length.
qsizetype ReadDescriptionPart(TCursor& cursor, QByteArrayView protocol) {
    qsizetype length = -1;
    bool protocolNamed = false;
    while (!cursor.Skip(PartStart)) {
        const QByteArrayView line = cursor.Line();
        QByteArrayView value;
        if (HeaderValue(line, "Content-Type", value))
            protocolNamed = value.compare(protocol, Qt::CaseInsensitive) == 0;
        else if (HeaderValue(line, "OriginalContent", value))
            length = OriginalLength(value);
    }
    if (!protocolNamed || length < 0)
        Malformed();
    return length;
}

} // namespace

QByteArray ContentType(QByteArrayView protocol) {
    return "multipart/encrypted;protocol=\"" + protocol.toByteArray() + "\";boundary=\"Encrypted Boundary\"";
}

bool IsEncrypted(QByteArrayView contentType, QByteArrayView protocol) {
    return contentType.trimmed().startsWith("multipart/encrypted") && contentType.contains(protocol);
}

QByteArray Encode(IMessageSeal& seal, QByteArrayView soap) {
    const IMessageSeal::TSealed sealed = seal.Seal(soap);
    char signatureLength[4];
    qToLittleEndian(quint32(sealed.Signature.size()), signatureLength);
    QByteArray body;
    body.reserve(soap.size() + 256);
    body.append(PartStart)
        .append("\tContent-Type: ")
        .append(seal.Protocol())
        .append("\r\n\tOriginalContent: type=application/soap+xml;charset=UTF-8;Length=")
        .append(QByteArray::number(soap.size()))
        .append("\r\n")
        .append(PartStart)
        .append("\tContent-Type: ")
        .append(OctetStream)
        .append("\r\n")
        .append(signatureLength, 4)
        .append(sealed.Signature)
        .append(sealed.Data)
        .append(BodyEnd)
        .append("\r\n");
    return body;
}

QByteArray Decode(IMessageSeal& seal, QByteArrayView body) {
    TCursor cursor(body);
    if (!cursor.Skip(PartStart))
        Malformed();
    QByteArray message;
    for (;;) {
        const qsizetype length = ReadDescriptionPart(cursor, seal.Protocol());
        QByteArrayView value;
        if (!HeaderValue(cursor.Line(), "Content-Type", value) || value.compare(OctetStream, Qt::CaseInsensitive))
            Malformed();
        const quint32 signatureLength = qFromLittleEndian<quint32>(cursor.Take(4).data());
        if (signatureLength > quint32(body.size()) || !seal.SignatureLengthFits(qsizetype(signatureLength)))
            Malformed();
        const QByteArrayView signature = cursor.Take(qsizetype(signatureLength));
        QByteArrayView sealed = cursor.Take(length);
        if (const qsizetype padding = cursor.BytesBefore(Boundary, seal.MaxPadding()))
            sealed = QByteArrayView(sealed.data(), sealed.size() + cursor.Take(padding).size());
        // The part must end where its length says before anything is opened.
        const bool last = cursor.Skip(BodyEnd);
        if (last) {
            // The closing line break is optional; nothing else may follow.
            if (!cursor.Skip("\r\n") && !cursor.AtEnd())
                throw TNtlmError(LangStr(QStringLiteral("sNtlmLengthMismatch")));
            if (!cursor.AtEnd())
                throw TNtlmError(LangStr(QStringLiteral("sNtlmLengthMismatch")));
        } else if (!cursor.Skip(PartStart)) {
            throw TNtlmError(LangStr(QStringLiteral("sNtlmLengthMismatch")));
        }
        const QByteArray plain = seal.Unseal(sealed, signature);
        if (plain.size() != length)
            throw TNtlmError(LangStr(QStringLiteral("sNtlmLengthMismatch")));
        message.append(plain);
        if (last)
            return message;
    }
}

} // namespace EncryptedBody
