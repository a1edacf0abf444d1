#include "uXmlShapeCheck.h"

#include "LangChanger.h"
#include "uFormat.h"

#include <QStringConverter>
#include <QStringView>

namespace {

char16_t CodeOf(char c) {
    return char16_t(uchar(c));
}

char16_t CodeOf(QChar c) {
    return c.unicode();
}

// Walks markup with line and column; Text is QByteArrayView or QStringView, whose characters below
// 128 are the markup characters either way.
template <typename Text> class TShapeScanner {
public:
    TShapeScanner(Text text, int maxDepth, int maxAttributes)
        : m_text(text), m_maxDepth(maxDepth), m_maxAttributes(maxAttributes) {}

    std::optional<TXmlShapeCheck::TFault> Scan() {
        while (m_pos < m_text.size()) {
            if (At(m_pos) != '<') {
                Advance();
            } else if (StartsWith("<!--")) {
                SkipPast("-->");
            } else if (StartsWith("<![CDATA[")) {
                SkipPast("]]>");
            } else if (StartsWith("<?")) {
                SkipPast("?>");
            } else if (StartsWith("<!")) {
                SkipMarkup();
            } else if (StartsWith("</")) {
                m_depth = qMax(0, m_depth - 1);
                SkipMarkup();
            } else if (auto fault = StartTag()) {
                return fault;
            }
        }
        return std::nullopt;
    }

private:
    char16_t At(qsizetype pos) const { return CodeOf(m_text[pos]); }

    void Advance() {
        if (At(m_pos) == '\n') {
            ++m_line;
            m_lineStart = m_pos + 1;
        }
        ++m_pos;
    }

    bool StartsWith(const char* markup) const {
        qsizetype pos = m_pos;
        for (; *markup; ++markup, ++pos)
            if (pos >= m_text.size() || At(pos) != char16_t(*markup))
                return false;
        return true;
    }

    void SkipPast(const char* end) {
        while (m_pos < m_text.size() && !StartsWith(end))
            Advance();
        for (; *end && m_pos < m_text.size(); ++end)
            Advance();
    }

    // Up to and past the ">" that ends a tag or a declaration, outside quoted values and outside the
    // brackets of an internal subset; returns the number of "=" outside them and whether "/>" ended it.
    std::pair<qsizetype, bool> SkipMarkup() {
        qsizetype equals = 0;
        int brackets = 0;
        char16_t quote = 0;
        char16_t previous = 0;
        for (; m_pos < m_text.size(); Advance()) {
            const char16_t c = At(m_pos);
            if (quote) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                ++brackets;
            } else if (c == ']') {
                --brackets;
            } else if (c == '=') {
                ++equals;
            } else if (c == '>' && brackets <= 0) {
                Advance();
                return {equals, previous == '/'};
            }
            previous = c;
        }
        return {equals, false};
    }

    std::optional<TXmlShapeCheck::TFault> StartTag() {
        const qint64 line = m_line;
        const qint64 column = m_pos - m_lineStart + 1;
        const auto [attributes, closed] = SkipMarkup();
        if (attributes > m_maxAttributes)
            return TXmlShapeCheck::TFault{TXmlShapeCheck::TFault::TooManyAttributes, m_maxAttributes, line, column};
        if (!closed && ++m_depth > m_maxDepth)
            return TXmlShapeCheck::TFault{TXmlShapeCheck::TFault::TooDeep, m_maxDepth, line, column};
        return std::nullopt;
    }

    Text m_text;
    int m_maxDepth;
    int m_maxAttributes;
    qsizetype m_pos = 0;
    qsizetype m_lineStart = 0;
    qint64 m_line = 1;
    int m_depth = 0;
};

} // namespace

QString TXmlShapeCheck::TFault::Text() const {
    const QString key = Kind == TooDeep ? QStringLiteral("sXmlTooDeep") : QStringLiteral("sXmlTooManyAttributes");
    return Format(LangStr(key), {Limit, Line, Column});
}

std::optional<TXmlShapeCheck::TFault> TXmlShapeCheck::Check(QByteArrayView xml) const {
    const auto encoding = QStringConverter::encodingForData(xml, u'<');
    if (!encoding || *encoding == QStringConverter::Utf8)
        return TShapeScanner<QByteArrayView>(xml, m_maxDepth, m_maxAttributes).Scan();
    const QString text = QStringDecoder(*encoding).decode(xml);
    return TShapeScanner<QStringView>(text, m_maxDepth, m_maxAttributes).Scan();
}
