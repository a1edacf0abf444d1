#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringConverter>
#include <QStringList>

#include <optional>

// Text files of 8-bit characters as users bring them: UTF-8 when the bytes are valid UTF-8 (a
// byte order mark is skipped), otherwise Latin-1, so that every byte gives some character.
QString DecodeEightBitText(QByteArrayView bytes, bool* isUtf8 = nullptr, bool* hasBom = nullptr);
// A text file as read, with what a rewrite needs to keep its encoding: UTF-16 or UTF-32 when it
// starts with such a byte order mark, otherwise 8-bit text as DecodeEightBitText reads it.
struct TDecodedText {
    QString Text;
    std::optional<QStringConverter::Encoding> Encoding; // none: Latin-1
    bool HasBom = false;

    // The text in the same encoding, with the byte order mark if the file had one.
    QByteArray Encode(const QString& text) const;
};
TDecodedText DecodeText(QByteArrayView bytes);
// The lines of a text: CR LF, LF and CR each end a line; a line end at the very end adds no line.
QStringList SplitTextLines(const QString& text);
