#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// Bounds the nesting depth and the attributes per element of an XML text before a parser sees it:
// parsers and DOM code recurse over the nesting, and checking an element's attributes for duplicates
// takes time quadratic in their number. The scan is a single pass over the bytes (texts in UTF-16 or
// UTF-32, with or without byte order mark, are decoded first); it does not check well-formedness.
class TXmlShapeCheck {
public:
    struct TFault {
        enum TKind { TooDeep, TooManyAttributes } Kind;
        int Limit;
        qint64 Line;
        qint64 Column;

        // The fault in words, for a message that names the file or the host.
        QString Text() const;
    };

    static constexpr int DefaultMaxAttributes = 256;

    explicit TXmlShapeCheck(int maxDepth, int maxAttributes = DefaultMaxAttributes)
        : m_maxDepth(maxDepth), m_maxAttributes(maxAttributes) {}

    // The first element past a bound, none when the whole text keeps within them.
    std::optional<TFault> Check(QByteArrayView xml) const;

private:
    int m_maxDepth;
    int m_maxAttributes;
};
