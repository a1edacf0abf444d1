#pragma once

#include "uUserPrompts.h"

#include <QDomDocument>
#include <QDomElement>
#include <QString>
#include <QStringList>

#include <optional>

// Named values in an XML file of sections and keys, much like an INI file: the root's child elements
// are sections, their child elements are keys, a key's text is its value (entity-encoded, see
// HTMLEncode). A storage object serves one file operation: Open, reads or writes, Save if needed.
// Elements it does not touch survive a write.
class TXMLStorage {
public:
    // Documents nested deeper than this, or with an element of too many attributes, are unreadable.
    static constexpr int MaxDepth = 64;

    TXMLStorage(const QString& fileName, IUserPrompts& prompts);
    virtual ~TXMLStorage();
    TXMLStorage(const TXMLStorage&) = delete;
    TXMLStorage& operator=(const TXMLStorage&) = delete;

    // Loads the file, or starts an empty document with root Options when the file is missing or empty.
    // A file that cannot be read or parsed is reported; the storage is then without root (reads give
    // their defaults, writes are ignored) and false is returned.
    bool Open();
    // Writes the whole document over the file through a temporary file; on failure the file is left
    // as it was, the failure is reported and false is returned.
    bool Save();
    void Close();

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteString(const QString& section, const QString& key, const QString& value);
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    void WriteInteger(const QString& section, const QString& key, int value);
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    void WriteBool(const QString& section, const QString& key, bool value);
    // Stores the list as the container itemName under the section, with one element itemName0,
    // itemName1, ... per string; the container's previous children are removed.
    void WriteStringList(const QString& section, const QString& itemName, const QStringList& list);

    // The integer rules of ReadInteger: "0x1F" (longer than two characters) and "$1F" are hexadecimal,
    // otherwise decimal with an optional sign after leading blanks; anything else gives the default.
    static int TextToInteger(const QString& text, int defaultValue);

protected:
    // The first child element of that name, created as the last child when there is none.
    static QDomElement FindOrCreateChild(QDomElement parent, const QString& name);
    // Replaces the element's content with the encoded value.
    static void SetElementValue(QDomElement element, const QString& value);
    // The decoded value of an element; none when it holds elements of its own. Raises EConvertError
    // for a text that does not decode.
    static std::optional<QString> ElementValue(const QDomElement& element);

    QString FileName;
    QString Encoding;
    bool AutoIndent;
    QDomDocument Document;
    QDomElement Root;

private:
    void ReportError(const QString& text);
    void ApplyEncoding();

    IUserPrompts& m_prompts;
};
