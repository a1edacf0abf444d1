#include "uFormat.h"

namespace {

struct TPlaceholder {
    int Index = -1;
    bool LeftAlign = false;
    int Width = 0;
    int Precision = -1;
    QChar Type;
};

// Reads digits at pos; returns -1 when there are none. Values are clamped so that a hostile
// width in a language file cannot ask for gigabytes.
int ReadNumber(const QString& text, qsizetype& pos) {
    int value = -1;
    for (; pos < text.size() && text[pos].isDigit(); ++pos)
        value = qMin((value < 0 ? 0 : value * 10) + text[pos].digitValue(), 100000);
    return value;
}

bool ParsePlaceholder(const QString& text, qsizetype& pos, TPlaceholder& out) {
    qsizetype p = pos;
    const qsizetype start = p;
    int number = ReadNumber(text, p);
    if (number >= 0 && p < text.size() && text[p] == u':') {
        out.Index = number;
        ++p;
    } else {
        p = start;
    }
    if (p < text.size() && text[p] == u'-') {
        out.LeftAlign = true;
        ++p;
    }
    out.Width = qMax(0, ReadNumber(text, p));
    if (p < text.size() && text[p] == u'.') {
        ++p;
        out.Precision = ReadNumber(text, p);
    }
    if (p >= text.size())
        return false;
    out.Type = text[p].toLower();
    if (!QStringView(u"sduxf").contains(out.Type))
        return false;
    pos = p + 1;
    return true;
}

QString Render(const TPlaceholder& ph, const QVariant& value) {
    QString s;
    switch (ph.Type.unicode()) {
    case 'd':
        s = QString::number(value.toLongLong());
        if (ph.Precision > 0)
            s = s.rightJustified(ph.Precision, u'0');
        break;
    case 'u':
        s = QString::number(value.toULongLong());
        break;
    case 'x':
        s = QString::number(value.toULongLong(), 16).toUpper();
        if (ph.Precision > 0)
            s = s.rightJustified(ph.Precision, u'0');
        break;
    case 'f':
        s = QString::number(value.toDouble(), 'f', ph.Precision < 0 ? 2 : ph.Precision);
        break;
    default:
        s = value.toString();
        if (ph.Precision >= 0)
            s.truncate(ph.Precision);
    }
    return ph.LeftAlign ? s.leftJustified(ph.Width) : s.rightJustified(ph.Width);
}

} // namespace

QString Format(const QString& format, const QVariantList& args) {
    qsizetype limit = MaxFormattedLength;
    for (const QVariant& arg : args)
        limit += arg.toString().size();
    QString result;
    result.reserve(qMin(format.size() + 16, limit));
    int next = 0;
    for (qsizetype i = 0; i < format.size() && result.size() < limit; ++i) {
        const QChar c = format[i];
        if (c != u'%' || i + 1 >= format.size()) {
            result += c;
            continue;
        }
        if (format[i + 1] == u'%') {
            result += u'%';
            ++i;
            continue;
        }
        qsizetype pos = i + 1;
        TPlaceholder ph;
        if (!ParsePlaceholder(format, pos, ph)) {
            result += c;
            continue;
        }
        const int index = ph.Index >= 0 ? ph.Index : next;
        if (index >= args.size()) {
            result += QStringView(format).mid(i, pos - i);
        } else {
            result += Render(ph, args[index]);
            next = index + 1;
        }
        i = pos - 1;
    }
    result.truncate(limit);
    return result;
}

QString Format(const QString& format, std::initializer_list<QVariant> args) {
    return Format(format, QVariantList(args));
}
