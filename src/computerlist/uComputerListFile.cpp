#include "uComputerListFile.h"

#include "LangChanger.h"
#include "uComputerList.h"
#include "uFileDialogs.h"
#include "uFileFilter.h"
#include "uFormat.h"
#include "uPasswordProtection.h"
#include "uPrivateFiles.h"
#include "uProgramOptions.h"
#include "uRegularFile.h"
#include "uSecretStorePasswords.h"
#include "uTextLineReader.h"
#include "uUserPrompts.h"
#include "uXMLStorage.h"
#include "uXmlShapeCheck.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringConverter>
#include <QUuid>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace {

constexpr size_t FieldCount = 10;
enum TField {
    fName,
    fDescription,
    fMacAddress,
    fStatus,
    fExpanded,
    fUserConnectAs,
    fChecked,
    fUserName,
    fUserPassword,
    fPasswordInStore // where the password is kept when it is in a secret store instead
};
const std::array<QString, FieldCount> FieldNames{"Name",         "Description",    "MacAddress", "Status",
                                                 "Expanded",     "UserConnectAs",  "Checked",    "UserName",
                                                 "UserPassword", "PasswordInStore"};
const QString ListElement = QStringLiteral("List");
const QString GroupElement = QStringLiteral("Group");
const QString ComputerElement = QStringLiteral("Computer");

// One Group or Computer element as read: the first element of each field name, and for a group the
// entries of its first List element. Entries are made only after the whole file has parsed, so a
// broken file adds nothing.
struct TEntryData {
    bool IsComputer = false;
    bool IsGroup = false; // an element named Group; others are read as groups too
    std::array<std::optional<QString>, FieldCount> Fields;
    std::vector<TEntryData> Items;

    QString Text(TField field) const { return Fields[field].value_or(QString()); }
    // Numbers that do not parse count as missing: 0.
    int Number(TField field) const { return TXMLStorage::TextToInteger(Text(field), 0); }
};

class TListReader {
public:
    explicit TListReader(const QByteArray& content) : m_xml(content) {}

    // The entries under the root element, whatever its name; the error text when the file is no list.
    // isList tells whether the document is a computer list: its root is List, or it holds an entry.
    std::vector<TEntryData> Read(QString& error, bool& isList) {
        std::vector<TEntryData> items;
        while (!m_xml.atEnd() && !m_xml.isStartElement())
            m_xml.readNext();
        if (m_xml.isStartElement()) {
            isList = m_xml.name() == ListElement;
            ReadItems(items, 0);
            isList = isList || std::any_of(items.begin(), items.end(),
                                           [](const TEntryData& entry) { return entry.IsComputer || entry.IsGroup; });
            while (!m_xml.atEnd())
                m_xml.readNext(); // the rest must be well-formed too
        }
        if (m_xml.hasError())
            error =
                Format(QStringLiteral("%s (%d:%d)"), {m_xml.errorString(), m_xml.lineNumber(), m_xml.columnNumber()});
        return items;
    }

private:
    // Reads the children of the current element as entries, up to its end.
    void ReadItems(std::vector<TEntryData>& items, int depth) {
        if (depth > TComputerListFile::MaxGroupDepth) {
            m_xml.raiseError(Format(LangStr(QStringLiteral("sListFileTooDeep")), {TComputerListFile::MaxGroupDepth}));
            return;
        }
        while (m_xml.readNextStartElement()) {
            items.emplace_back();
            items.back().IsComputer = m_xml.name() == ComputerElement;
            items.back().IsGroup = m_xml.name() == GroupElement;
            ReadEntry(items.back(), depth);
        }
    }

    void ReadEntry(TEntryData& entry, int depth) {
        bool listRead = false;
        while (m_xml.readNextStartElement()) {
            const auto name = m_xml.name();
            const auto field = std::find(FieldNames.begin(), FieldNames.end(), name);
            if (field != FieldNames.end() && !entry.Fields[field - FieldNames.begin()]) {
                entry.Fields[field - FieldNames.begin()] = ReadFieldText();
            } else if (name == ListElement && !entry.IsComputer && !listRead) {
                listRead = true;
                ReadItems(entry.Items, depth + 1);
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    // The text of the current element and of all elements inside it, read without recursion: the
    // markup inside a field may be nested as deep as the file allows.
    QString ReadFieldText() {
        QString text;
        for (int depth = 1; depth > 0 && !m_xml.atEnd();) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
                ++depth;
                break;
            case QXmlStreamReader::EndElement:
                --depth;
                break;
            case QXmlStreamReader::Characters:
            case QXmlStreamReader::EntityReference:
                text += m_xml.text();
                break;
            default:
                break;
            }
        }
        return text;
    }

    QXmlStreamReader m_xml;
};

// The references into a secret store of the entries, depth first.
void CollectStoreReferences(const std::vector<TEntryData>& items, QStringList& references) {
    for (const TEntryData& data : items) {
        if (!data.Text(fPasswordInStore).isEmpty())
            references.append(data.Text(fPasswordInStore));
        CollectStoreReferences(data.Items, references);
    }
}

class TListBuilder {
public:
    TListBuilder(TComputerList& list, const QString& key, const TSecretStorePasswords* stored)
        : m_list(list), m_passwords(key), m_stored(stored) {}

    void Add(const std::vector<TEntryData>& items, TGroupObject* parent) {
        for (const TEntryData& data : items) {
            if (data.Text(fName).isEmpty())
                continue; // skipped with everything inside
            if (data.IsComputer)
                AddComputer(data, parent);
            else
                AddGroup(data, parent);
        }
    }

private:
    void AddComputer(const TEntryData& data, TGroupObject* parent) {
        TComputerObject* computer = m_list.NewComputer(data.Text(fName), data.Text(fDescription), parent);
        computer->SetMacAddress(data.Text(fMacAddress));
        computer->SetStatus(data.Number(fStatus));
        SetCredentials(computer, data);
        computer->SetChecked(static_cast<quint8>(data.Number(fChecked)) != 0);
    }

    void AddGroup(const TEntryData& data, TGroupObject* parent) {
        TGroupObject* group = m_list.NewGroup(data.Text(fName), data.Text(fDescription), parent, data.Number(fStatus));
        Add(data.Items, group);
        group->SetExpanded(data.Number(fExpanded) != 0);
        SetCredentials(group, data);
    }

    void SetCredentials(TPreObject* entry, const TEntryData& data) {
        entry->SetUserConnectAs(static_cast<TUserConnectAs>(static_cast<quint8>(data.Number(fUserConnectAs))));
        if (entry->UserConnectAs() != ucFollowingUser)
            return;
        entry->SetUserName(data.Text(fUserName));
        const QString reference = data.Text(fPasswordInStore);
        entry->SetUserPassword(reference.isEmpty() ? m_passwords.Decrypt(data.Text(fUserPassword))
                               : m_stored          ? m_stored->Password(reference)
                                                   : QString());
    }

    TComputerList& m_list;
    const TPasswordProtector m_passwords;
    const TSecretStorePasswords* m_stored;
};

class TListWriter {
public:
    // With stored, the passwords go there under listId and the file holds their places.
    TListWriter(QIODevice* device, const QString& key, TSecretStorePasswords* stored = nullptr,
                const QString& listId = QString())
        : m_xml(device), m_passwords(key), m_stored(stored), m_listId(listId) {
        m_xml.setAutoFormatting(true);
        m_xml.setAutoFormattingIndent(2);
    }

    bool Write(const TEntryList& items) {
        m_xml.writeStartDocument();
        m_xml.writeStartElement(ListElement);
        WriteItems(items);
        m_xml.writeEndElement();
        m_xml.writeEndDocument();
        return !m_xml.hasError();
    }

private:
    void WriteItems(const TEntryList& items) {
        for (const auto& entry : items) {
            if (entry->IsGroup())
                WriteGroup(static_cast<const TGroupObject&>(*entry));
            else
                WriteComputer(static_cast<const TComputerObject&>(*entry));
        }
    }

    void WriteGroup(const TGroupObject& group) {
        m_xml.writeStartElement(GroupElement);
        Field(fName, group.Name());
        Field(fDescription, group.Description());
        Field(fStatus, QString::number(group.Status()));
        Field(fExpanded, group.IsExpanded() ? QStringLiteral("1") : QStringLiteral("0"));
        Field(fUserConnectAs, QString::number(group.UserConnectAs()));
        Credentials(group);
        m_xml.writeStartElement(ListElement);
        WriteItems(group.Items());
        m_xml.writeEndElement();
        m_xml.writeEndElement();
    }

    void WriteComputer(const TComputerObject& computer) {
        m_xml.writeStartElement(ComputerElement);
        Field(fName, computer.Name());
        Field(fDescription, computer.Description());
        Field(fMacAddress, computer.MacAddress());
        Field(fStatus, QString::number(computer.Status()));
        Field(fUserConnectAs, QString::number(computer.UserConnectAs()));
        Field(fChecked, computer.CheckState() == Qt::Checked ? QStringLiteral("1") : QStringLiteral("0"));
        Credentials(computer);
        m_xml.writeEndElement();
    }

    void Credentials(const TPreObject& entry) {
        if (entry.UserConnectAs() != ucFollowingUser)
            return;
        Field(fUserName, entry.UserName());
        if (m_stored)
            Field(fPasswordInStore, m_stored->Add(m_listId, entry.UserPassword()));
        else
            Field(fUserPassword, m_passwords.Encrypt(entry.UserPassword()));
    }

    void Field(TField field, const QString& value) { m_xml.writeTextElement(FieldNames[field], value); }

    QXmlStreamWriter m_xml;
    const TPasswordProtector m_passwords;
    TSecretStorePasswords* m_stored;
    QString m_listId;
};

// The list file's own extension and XML both mean the list format, in any case.
bool HasListExtension(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QStringLiteral("dvl"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QStringLiteral("xml"), Qt::CaseInsensitive) == 0;
}

// Whether the first line that is not blank starts with markup: such a file is a document, never names.
// The start of the file decides, so that one endless line is never read whole.
bool StartsWithMarkup(const QString& path) {
    QFile file(path);
    if (!OpenRegularFileForReading(file).isEmpty())
        return false; // the text import reports it
    QByteArray start = file.read(TTextLineReader::ChunkSize);
    QBuffer buffer(&start);
    buffer.open(QIODevice::ReadOnly);
    TTextLineReader reader(buffer);
    QString line;
    while (reader.ReadLine(line)) {
        const QString text = line.trimmed();
        if (!text.isEmpty())
            return text.startsWith(u'<');
    }
    return false;
}

QString MarkupTextError(const QString& path) {
    return Format(LangStr(QStringLiteral("sImportTextHoldsMarkup")), {QDir::toNativeSeparators(path)});
}

QString ReadError(const QString& path, const QString& detail) {
    return Format(LangStr(QStringLiteral("sListFileReadError")), {QDir::toNativeSeparators(path), detail});
}

QString WriteError(const QString& path, const QString& detail) {
    return Format(LangStr(QStringLiteral("sListFileWriteError")), {QDir::toNativeSeparators(path), detail});
}

// What the file holds now, to tell whether someone else wrote it; none for a missing file. Anything but
// a regular file of a readable size (a FIFO would block) gives an empty digest, which no content has.
std::optional<QByteArray> FileDigest(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    if (!info.isFile() || info.size() > TComputerListFile::MaxFileSize)
        return QByteArray();
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray();
    return hash.result();
}

QString TooLarge(qint64 maxFileSize) {
    return Format(LangStr(QStringLiteral("sListFileTooLarge")), {maxFileSize / (1024 * 1024)});
}

} // namespace

TComputerListFile::TComputerListFile(TComputerList& list, const TProgramOptions& options, IUserPrompts& prompts,
                                     IFileDialogs& dialogs, ISecretStore* secretStore)
    : m_list(list), m_options(options), m_prompts(prompts), m_dialogs(dialogs), m_secretStore(secretStore) {}

void TComputerListFile::LoadFromFile(const QString& path) {
    AppendDocument(path, TDocumentCheck::AnyDocument);
}

void TComputerListFile::AppendDocument(const QString& path, TDocumentCheck check) {
    QFile file(path);
    if (!file.exists())
        return;
    if (file.size() > m_maxFileSize)
        throw EListFileError(ReadError(path, TooLarge(m_maxFileSize)));
    const QString openError = OpenRegularFileForReading(file);
    if (!openError.isEmpty())
        throw EListFileError(ReadError(path, openError));
    // read() allocates as much as it is asked for: the size found above, and one byte to notice growth.
    const QByteArray content = file.read(qMin(file.size(), m_maxFileSize) + 1);
    if (file.error() != QFileDevice::NoError)
        throw EListFileError(ReadError(path, file.errorString()));
    if (content.size() > m_maxFileSize)
        throw EListFileError(ReadError(path, TooLarge(m_maxFileSize)));
    if (content.isEmpty())
        return; // a fresh settings folder holds an empty list file
    if (const auto fault = TXmlShapeCheck(MaxElementDepth).Check(content))
        throw EListFileError(ReadError(path, fault->Text()));
    QString error;
    bool isList = false;
    const std::vector<TEntryData> items = TListReader(content).Read(error, isList);
    if (!error.isEmpty())
        throw EListFileError(check == TDocumentCheck::ListInText ? MarkupTextError(path) : ReadError(path, error));
    if (check != TDocumentCheck::AnyDocument && !isList)
        throw EListFileError(Format(LangStr(QStringLiteral("sImportNotAList")), {QDir::toNativeSeparators(path)}));
    std::optional<TSecretStorePasswords> stored;
    QStringList references;
    CollectStoreReferences(items, references);
    if (!references.isEmpty()) {
        if (path == m_list.FileName())
            m_listId = TSecretStorePasswords::ListId(references.first());
        stored = FetchStoredPasswords(path, references);
    }
    m_list.BeginUpdate();
    TListBuilder(m_list, GetMachineKey(m_options.DefaultSecurityLevel), stored ? &*stored : nullptr)
        .Add(items, nullptr);
    m_list.EndUpdate();
    // Saving now would lose the passwords the store did not give: closing must ask first.
    if (!references.isEmpty() && !stored)
        m_list.MarkModified();
}

std::optional<TSecretStorePasswords> TComputerListFile::FetchStoredPasswords(const QString& path,
                                                                             const QStringList& references) {
    QString error = LangStr(QStringLiteral("sSecretStoreNone"));
    if (m_secretStore) {
        TSecretStorePasswords stored(*m_secretStore);
        error = stored.Fetch(references);
        if (error.isEmpty())
            return stored;
    }
    m_prompts.Ask(Format(LangStr(QStringLiteral("sSecretStoreReadFailed")), {QDir::toNativeSeparators(path), error}),
                  LangStr(QStringLiteral("sWarning")), TPromptButtons::OK, TPromptIcon::Warning);
    return std::nullopt;
}

QByteArray TComputerListFile::ListContent(const QString& path) {
    const QString key = GetMachineKey(m_options.DefaultSecurityLevel);
    auto render = [this, &key](TSecretStorePasswords* stored) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        TListWriter(&buffer, key, stored, m_listId).Write(m_list.Items());
        return buffer.data();
    };
    // Only the list file itself keeps its passwords in the store; an export carries them.
    if (!m_options.bPasswordsInSecretStore || path != m_list.FileName())
        return render(nullptr);
    if (QUuid::fromString(m_listId).isNull())
        m_listId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error = LangStr(QStringLiteral("sSecretStoreNone"));
    if (m_secretStore) {
        TSecretStorePasswords stored(*m_secretStore);
        const QByteArray content = render(&stored);
        error = stored.Commit();
        if (error.isEmpty())
            return content;
    }
    m_prompts.Ask(Format(LangStr(QStringLiteral("sSecretStoreWriteFailed")), {error}),
                  LangStr(QStringLiteral("sWarning")), TPromptButtons::OK, TPromptIcon::Warning);
    return render(nullptr);
}

void TComputerListFile::SaveToFile(const QString& path) {
    if (path.isEmpty())
        return;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw EListFileError(WriteError(path, QDir::toNativeSeparators(folder)));
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) // a FIFO or a device, never a list
        throw EListFileError(WriteError(path, LangStr(QStringLiteral("sFileNotRegular"))));
    const QByteArray content = ListContent(path);
    // What could not be read back would be a list lost at the next start.
    if (content.size() > m_maxFileSize)
        throw EListFileError(WriteError(path, TooLarge(m_maxFileSize)));
    QSaveFile file(path);
    if (!OpenPrivateSaveFile(file))
        throw EListFileError(WriteError(path, file.errorString()));
    // A short write (a full disk) is no error to QSaveFile; it would commit a cut-off file.
    if (file.write(content) != content.size() || !file.commit())
        throw EListFileError(WriteError(path, file.errorString()));
    if (path == m_list.FileName())
        m_knownDigest = FileDigest(path);
}

void TComputerListFile::SaveUnmodifiedList() {
    if (FileDigest(m_list.FileName()) != m_knownDigest)
        return;
    SaveToFile(m_list.FileName());
}

void TComputerListFile::SaveList() {
    const QString path = m_list.FileName();
    // Only a regular file holds anything to keep; copying a FIFO would block.
    if (!m_unreadableFile.isEmpty() && path == m_unreadableFile && QFileInfo(path).isFile()) {
        const QString backup = path + QStringLiteral(".bak");
        QFile::remove(backup);
        if (!QFile::copy(path, backup))
            throw EListFileError(WriteError(backup, QDir::toNativeSeparators(path)));
    }
    SaveToFile(path);
    m_unreadableFile.clear();
}

void TComputerListFile::LoadAtStartUp() {
    m_list.SetFileName(m_options.DefaultHostsFile);
    // Taken before reading: a file written in between then counts as changed, never the reverse.
    m_knownDigest = FileDigest(m_list.FileName());
    try {
        LoadFromFile(m_list.FileName());
    } catch (const EListFileError& error) {
        m_unreadableFile = m_list.FileName();
        m_list.MarkModified();
        m_prompts.Ask(error.Message(), LangStr(QStringLiteral("sError")), TPromptButtons::OK, TPromptIcon::Error);
    }
}

void TComputerListFile::ExportList() {
    QString filter;
    const QString chosen =
        m_dialogs.PromptSaveFileName(LangStr(QStringLiteral("sExportTitle")), LangStr(QStringLiteral("sExportFilter")),
                                     LangStr(QStringLiteral("sExportDefaultExt")), m_options.SettingsFolder, filter);
    if (chosen.isEmpty())
        return;
    // The dialog asked about replacing the name it was given, not about the one the filter makes of it.
    const QString path = PathForFilter(chosen, filter);
    if (path != chosen && QFileInfo::exists(path) &&
        m_prompts.Ask(Format(LangStr(QStringLiteral("sExportReplace")), {QDir::toNativeSeparators(path)}),
                      LangStr(QStringLiteral("sWarning")), TPromptButtons::YesNo,
                      TPromptIcon::Warning) != TPromptResult::Yes)
        return;
    ExportToFile(path);
}

void TComputerListFile::ExportToFile(const QString& path) {
    if (HasListExtension(path))
        SaveToFile(path);
    else
        ExportText(path);
}

void TComputerListFile::ImportList() {
    const QString path =
        m_dialogs.PromptOpenFileName(LangStr(QStringLiteral("sImportTitle")), LangStr(QStringLiteral("sExportFilter")),
                                     LangStr(QStringLiteral("sExportDefaultExt")), m_options.SettingsFolder);
    if (!path.isEmpty())
        ImportFromFile(path);
}

// Refusals leave the list as it was and unmarked; a text import marks it even when declined.
void TComputerListFile::ImportFromFile(const QString& path) {
    if (HasListExtension(path))
        AppendDocument(path, TDocumentCheck::List);
    else if (StartsWithMarkup(path))
        AppendDocument(path, TDocumentCheck::ListInText);
    else
        ImportText(path);
    m_list.MarkModified();
}

void TComputerListFile::ExportText(const QString& path) {
    if (m_prompts.Ask(LangStr(QStringLiteral("sSaveTextNoGroup")), LangStr(QStringLiteral("sSaveTextNoGroupTitle")),
                      TPromptButtons::OKCancel, TPromptIcon::Warning) != TPromptResult::OK)
        return;
    QStringList names;
    m_list.GetComputerNames(names);
    QByteArray text;
    for (const QString& name : std::as_const(names))
        text += name.toLocal8Bit() + "\r\n";
    QSaveFile file(path); // failures are not reported: the text is a courtesy copy
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size())
        file.commit();
}

void TComputerListFile::ImportText(const QString& path) {
    if (m_prompts.Ask(LangStr(QStringLiteral("sLoadTextNoGroup")), LangStr(QStringLiteral("sLoadTextNoGroupTitle")),
                      TPromptButtons::OKCancel, TPromptIcon::Warning) != TPromptResult::OK)
        return;
    // Read line by line: only the names stay in memory, and nothing is added before markup is ruled out.
    QFile file(path);
    QStringList names;
    bool read = file.size() <= m_maxFileSize && OpenRegularFileForReading(file).isEmpty();
    if (read) {
        TTextLineReader reader(file);
        QString line;
        while (reader.ReadLine(line)) {
            const QString name = line.trimmed();
            if (name.startsWith(u'<'))
                throw EListFileError(MarkupTextError(path));
            if (!name.isEmpty()) // a blank line is no computer
                names.append(name);
        }
        read = !reader.HasError();
    }
    m_list.BeginUpdate();
    for (const QString& name : std::as_const(names))
        m_list.NewComputer(name, QString(), nullptr);
    m_list.EndUpdate();
    if (!read)
        m_prompts.Ask(LangStr(QStringLiteral("sLoadTextNoGroupFailed")),
                      LangStr(QStringLiteral("sLoadTextNoGroupFailedTitle")), TPromptButtons::OK, TPromptIcon::Error);
}
