#include "HTMLUtil.h"

#include "LangChanger.h"
#include "uFormat.h"
#include "uParseDigits.h"

#include <optional>

namespace {

// A character reference's code: decimal digits, or "x" and hexadecimal digits. Only codes of real
// characters are accepted (no zero, no surrogate halves, nothing beyond U+10FFFF).
std::optional<char32_t> ParseCharCode(QStringView digits) {
    int base = 10;
    if (digits.startsWith(u'x') || digits.startsWith(u'X')) {
        base = 16;
        digits = digits.mid(1);
    }
    const std::optional<quint32> code = ParseDigits(digits, base, 0x10FFFF);
    if (!code || *code == 0 || (*code >= 0xD800 && *code <= 0xDFFF))
        return std::nullopt;
    return char32_t(*code);
}

} // namespace

EHTMLDecodeError::EHTMLDecodeError(const QString& sequence, qsizetype position)
    : EConvertError(Format(LangStr(QStringLiteral("sInvalidHTMLEncodedChar")), {sequence, qlonglong(position)})),
      m_sequence(sequence), m_position(position) {}

QString HTMLEncode(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            result += u"&quot;";
            break;
        case '&':
            result += u"&amp;";
            break;
        case '<':
            result += u"&lt;";
            break;
        case '>':
            result += u"&gt;";
            break;
        default:
            result += c;
        }
    }
    return result;
}

QString HTMLDecode(const QString& text) {
    static constexpr struct {
        QStringView Entity;
        QChar Character;
    } kNamed[] = {{u"amp;", u'&'}, {u"lt;", u'<'}, {u"gt;", u'>'}, {u"quot;", u'"'}};

    QString result;
    result.reserve(text.size());
    const QStringView all(text);
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i] != u'&') {
            result += all[i];
            continue;
        }
        const QStringView rest = all.mid(i + 1);
        if (rest.startsWith(u'#')) {
            qsizetype end = all.indexOf(u';', i + 2);
            if (end < 0)
                end = all.size();
            const std::optional<char32_t> code = ParseCharCode(all.mid(i + 2, end - i - 2));
            if (!code)
                throw EHTMLDecodeError(text.mid(i, 2), i);
            result += QString::fromUcs4(&*code, 1);
            i = end;
            continue;
        }
        bool known = false;
        for (const auto& named : kNamed) {
            if (rest.startsWith(named.Entity)) {
                result += named.Character;
                i += named.Entity.size();
                known = true;
                break;
            }
        }
        if (!known)
            throw EHTMLDecodeError(text.mid(i, 2), i);
    }
    return result;
}
