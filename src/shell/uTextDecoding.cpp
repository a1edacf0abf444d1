#include "uTextDecoding.h"

#include <QStringDecoder>

QString DecodeEightBitText(QByteArrayView bytes, bool* isUtf8, bool* hasBom) {
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    if (bom)
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    const bool valid = !utf8.hasError();
    if (!valid)
        text = QString::fromLatin1(bytes);
    if (isUtf8)
        *isUtf8 = valid;
    if (hasBom)
        *hasBom = bom;
    return text;
}

TDecodedText DecodeText(QByteArrayView bytes) {
    TDecodedText result;
    const auto wide = QStringConverter::encodingForData(bytes);
    if (wide && *wide != QStringConverter::Utf8) {
        result.Text = QStringDecoder(*wide).decode(bytes); // the byte order mark is dropped
        result.Encoding = wide;
        result.HasBom = true;
        return result;
    }
    bool isUtf8 = false;
    result.Text = DecodeEightBitText(bytes, &isUtf8, &result.HasBom);
    if (isUtf8)
        result.Encoding = QStringConverter::Utf8;
    return result;
}

QByteArray TDecodedText::Encode(const QString& text) const {
    if (!Encoding)
        return text.toLatin1();
    QStringEncoder encoder(*Encoding, HasBom ? QStringEncoder::Flag::WriteBom : QStringEncoder::Flag::Default);
    return encoder.encode(text);
}

QStringList SplitTextLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}
