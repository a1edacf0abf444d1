#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Text files of 8-bit characters as users bring them: UTF-8 when the bytes are valid UTF-8 (a
// byte order mark is skipped), otherwise Latin-1, so that every byte gives some character.
QString DecodeEightBitText(QByteArrayView bytes, bool* isUtf8 = nullptr, bool* hasBom = nullptr);
// The lines of a text: CR LF, LF and CR each end a line; a line end at the very end adds no line.
QStringList SplitTextLines(const QString& text);
// Text files whatever their encoding: UTF-16 or UTF-32 when a byte order mark says so, otherwise as
// DecodeEightBitText.
QString DecodeTextFile(QByteArrayView bytes);
// One computer name a line: lines trimmed, blank lines left out.
QStringList ComputerNamesOfText(const QString& text);
