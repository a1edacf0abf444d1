#include "uRemoteText.h"

QString RemoteTextForLog(const QString& text) {
    qsizetype length = qMin(text.size(), MaxRemoteTextLength);
    if (length < text.size() && text.at(length - 1).isHighSurrogate())
        --length; // never half a character
    QString result = text.left(length);
    for (QChar& c : result) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            c = u' ';
    }
    if (length < text.size())
        result += u'…';
    return result;
}
