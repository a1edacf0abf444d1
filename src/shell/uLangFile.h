#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// One section of a language file, read with the rules of Windows private-profile files:
// section and key names compared without regard to case, the first occurrence of a key counts,
// blanks around keys and values removed, one pair of enclosing quotes removed from a value.
// Lines starting with ";" are comments; a line without "=" is a key with an empty value.
// The text is decoded with DecodeText; only regular files are read.
class TLangFile {
public:
    struct TEntry {
        QString Key;
        QString Value;
    };

    // Files larger than this are not language files; they read as missing.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    // Reads the named section of the file; a missing, unreadable or oversized file gives an empty section.
    static TLangFile ReadSection(const QString& path, const QString& section);
    static TLangFile ParseSection(const QByteArray& content, const QString& section);

    bool Contains(const QString& key) const { return m_index.contains(key.toCaseFolded()); }
    QString Value(const QString& key, const QString& defaultValue) const;
    // The keys in file order, each with the value of its first occurrence.
    const QList<TEntry>& Entries() const { return m_entries; }

private:
    void Add(QStringView line);

    QList<TEntry> m_entries;
    QHash<QString, qsizetype> m_index; // case-folded key -> position in m_entries
};
