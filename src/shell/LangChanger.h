#pragma once

#include "uLangFile.h"

#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>

// Holds the chosen language file and looks message and form texts up in it. Lookups may come
// from any thread (workers format their messages); the file is chosen on the main thread.
// The file is parsed once and parsed again whenever it changes on disk, so an edited file
// shows at the next lookup without the cost of reading it for every message.
class TLangChanger {
public:
    QString LangFile() const;
    // A different value is trimmed and the file normalised: every line without "=" that is not
    // empty and not a section header becomes a key with an empty value.
    void SetLangFile(const QString& value);
    QString Separator() const;
    // A different value replaces the separator; an all-blank one gives ",".
    void SetSeparator(const QString& value);

    // The text of a key in section Translations, the key itself when there is none; "{ENTER}" gives CR LF.
    QString GetTranslation(const QString& key) const;
    // Every key of section Translations with its value ("{ENTER}" replaced), in file order; empty
    // while LangFile is empty.
    QList<TLangFile::TEntry> TranslationEntries() const;
    // A list value split at Separator: every piece trimmed, empty pieces kept, except that the
    // rest after the last separator counts only when it is not empty.
    QStringList SplitList(const QString& value) const;

private:
    std::shared_ptr<const TLangFile> CurrentSection() const;

    mutable QMutex m_mutex;
    QString m_langFile;
    QString m_separator = QStringLiteral(",");
    // Parsed section and the file state it was read from.
    mutable std::shared_ptr<const TLangFile> m_section;
    mutable QDateTime m_sectionTime;
    mutable qint64 m_sectionSize = -1;
};

// The process-wide changer: created when the options are read, released when they are written.
void SetCurrentLangChanger(std::shared_ptr<TLangChanger> changer);
std::shared_ptr<TLangChanger> CurrentLangChanger();

// The text of a message key in the current language; the key itself when there is none.
QString GetTranslation(const QString& key);
// GetTranslation for every message site; the keys of the message table come from the table.
QString LangStr(const QString& key);
// Fills the message table from the current changer (keys themselves without one).
void LoadMessageTable();
// The keys the message table holds.
const QStringList& MessageTableKeys();
