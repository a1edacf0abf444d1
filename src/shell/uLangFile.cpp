#include "uLangFile.h"

#include "uRegularFile.h"
#include "uTextDecoding.h"

#include <QFile>

namespace {

QString Unquoted(QStringView value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2).toString();
    }
    return value.toString();
}

} // namespace

TLangFile TLangFile::ReadSection(const QString& path, const QString& section) {
    QFile file(path);
    if (file.size() > MaxFileSize || !OpenRegularFileForReading(file).isEmpty())
        return {};
    return ParseSection(file.read(MaxFileSize), section);
}

TLangFile TLangFile::ParseSection(const QByteArray& content, const QString& section) {
    TLangFile result;
    const QString text = DecodeText(content).Text;
    bool inside = false;
    for (QStringView physical : QStringView(text).tokenize(u'\n')) {
        for (QStringView line : physical.tokenize(u'\r')) {
            line = line.trimmed();
            if (line.isEmpty() || line.front() == u';')
                continue;
            if (line.front() == u'[') {
                if (inside)
                    return result; // only the first section of that name counts
                const qsizetype close = line.indexOf(u']');
                inside = line.mid(1, close < 0 ? -1 : close - 1).trimmed().compare(section, Qt::CaseInsensitive) == 0;
                continue;
            }
            if (inside)
                result.Add(line);
        }
    }
    return result;
}

void TLangFile::Add(QStringView line) {
    const qsizetype equals = line.indexOf(u'=');
    const QStringView key = (equals < 0 ? line : line.left(equals)).trimmed();
    if (key.isEmpty())
        return;
    const QString folded = key.toString().toCaseFolded();
    if (m_index.contains(folded))
        return;
    m_index.insert(folded, m_entries.size());
    m_entries.append({key.toString(), equals < 0 ? QString() : Unquoted(line.mid(equals + 1).trimmed())});
}

QString TLangFile::Value(const QString& key, const QString& defaultValue) const {
    const auto it = m_index.constFind(key.toCaseFolded());
    return it == m_index.constEnd() ? defaultValue : m_entries.at(*it).Value;
}
