#pragma once

#include "uConvertError.h"

#include <QString>

// Entity encoding of the texts stored in the XML files: the four characters " & < > become entities.
QString HTMLEncode(const QString& text);

// Reverses HTMLEncode and also accepts numeric references ("&#65;", "&#x41;"). Raises
// EHTMLDecodeError for an ampersand that starts no known entity.
QString HTMLDecode(const QString& text);

// The conversion error of HTMLDecode: which two characters ("&" and the one after it, or "&" alone at
// the end) at which zero-based position could not be decoded.
class EHTMLDecodeError : public EConvertError {
public:
    EHTMLDecodeError(const QString& sequence, qsizetype position);
    const QString& Sequence() const { return m_sequence; }
    qsizetype Position() const { return m_position; }

private:
    QString m_sequence;
    qsizetype m_position;
};
