#include "uComputerListFile.h"

#include "LangChanger.h"
#include "uComputerList.h"
#include "uFileDialogs.h"
#include "uFormat.h"
#include "uPasswordProtection.h"
#include "uProgramOptions.h"
#include "uTextDecoding.h"
#include "uUserPrompts.h"
#include "uXMLStorage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringConverter>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace {

constexpr size_t FieldCount = 9;
enum TField {
    fName,
    fDescription,
    fMacAddress,
    fStatus,
    fExpanded,
    fUserConnectAs,
    fChecked,
    fUserName,
    fUserPassword
};
const std::array<QString, FieldCount> FieldNames{
    "Name", "Description", "MacAddress", "Status", "Expanded", "UserConnectAs", "Checked", "UserName", "UserPassword"};
const QString ListElement = QStringLiteral("List");
const QString GroupElement = QStringLiteral("Group");
const QString ComputerElement = QStringLiteral("Computer");

// One Group or Computer element as read: the first element of each field name, and for a group the
// entries of its first List element. Entries are made only after the whole file has parsed, so a
// broken file adds nothing.
struct TEntryData {
    bool IsComputer = false;
    std::array<std::optional<QString>, FieldCount> Fields;
    std::vector<TEntryData> Items;

    QString Text(TField field) const { return Fields[field].value_or(QString()); }
    // Numbers that do not parse count as missing: 0.
    int Number(TField field) const { return TXMLStorage::TextToInteger(Text(field), 0); }
};

class TListReader {
public:
    explicit TListReader(QIODevice* device) : m_xml(device) {}

    // The entries under the root element, whatever its name; the error text when the file is no list.
    std::vector<TEntryData> Read(QString& error) {
        std::vector<TEntryData> items;
        while (!m_xml.atEnd() && !m_xml.isStartElement())
            m_xml.readNext();
        if (m_xml.isStartElement()) {
            ReadItems(items, 0);
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
            ReadEntry(items.back(), depth);
        }
    }

    void ReadEntry(TEntryData& entry, int depth) {
        bool listRead = false;
        while (m_xml.readNextStartElement()) {
            const auto name = m_xml.name();
            const auto field = std::find(FieldNames.begin(), FieldNames.end(), name);
            if (field != FieldNames.end() && !entry.Fields[field - FieldNames.begin()]) {
                entry.Fields[field - FieldNames.begin()] =
                    m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
            } else if (name == ListElement && !entry.IsComputer && !listRead) {
                listRead = true;
                ReadItems(entry.Items, depth + 1);
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    QXmlStreamReader m_xml;
};

class TListBuilder {
public:
    TListBuilder(TComputerList& list, const QString& key) : m_list(list), m_passwords(key) {}

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
        entry->SetUserPassword(m_passwords.Decrypt(data.Text(fUserPassword)));
    }

    TComputerList& m_list;
    const TPasswordProtector m_passwords;
};

class TListWriter {
public:
    TListWriter(QIODevice* device, const QString& key) : m_xml(device), m_passwords(key) {
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
        Field(fUserPassword, m_passwords.Encrypt(entry.UserPassword()));
    }

    void Field(TField field, const QString& value) { m_xml.writeTextElement(FieldNames[field], value); }

    QXmlStreamWriter m_xml;
    const TPasswordProtector m_passwords;
};

bool HasXmlExtension(const QString& path) {
    return QFileInfo(path).suffix().compare(QStringLiteral("xml"), Qt::CaseInsensitive) == 0;
}

QString ReadError(const QString& path, const QString& detail) {
    return Format(LangStr(QStringLiteral("sListFileReadError")), {QDir::toNativeSeparators(path), detail});
}

QString WriteError(const QString& path, const QString& detail) {
    return Format(LangStr(QStringLiteral("sListFileWriteError")), {QDir::toNativeSeparators(path), detail});
}

QString TooLarge() {
    return Format(LangStr(QStringLiteral("sListFileTooLarge")), {TComputerListFile::MaxFileSize / (1024 * 1024)});
}

} // namespace

TComputerListFile::TComputerListFile(TComputerList& list, const TProgramOptions& options, IUserPrompts& prompts,
                                     IFileDialogs& dialogs)
    : m_list(list), m_options(options), m_prompts(prompts), m_dialogs(dialogs) {}

void TComputerListFile::LoadFromFile(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return;
    if (file.size() > MaxFileSize)
        throw EListFileError(ReadError(path, TooLarge()));
    if (!file.open(QIODevice::ReadOnly))
        throw EListFileError(ReadError(path, file.errorString()));
    if (file.size() == 0)
        return; // a fresh settings folder holds an empty list file
    QString error;
    const std::vector<TEntryData> items = TListReader(&file).Read(error);
    if (!error.isEmpty())
        throw EListFileError(ReadError(path, error));
    m_list.BeginUpdate();
    TListBuilder(m_list, GetMachineKey(m_options.DefaultSecurityLevel)).Add(items, nullptr);
    m_list.EndUpdate();
}

void TComputerListFile::SaveToFile(const QString& path) {
    if (path.isEmpty())
        return;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw EListFileError(WriteError(path, QDir::toNativeSeparators(folder)));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EListFileError(WriteError(path, file.errorString()));
    if (!TListWriter(&file, GetMachineKey(m_options.DefaultSecurityLevel)).Write(m_list.Items()) || !file.commit())
        throw EListFileError(WriteError(path, file.errorString()));
}

void TComputerListFile::SaveList() {
    const QString path = m_list.FileName();
    if (!m_unreadableFile.isEmpty() && path == m_unreadableFile && QFileInfo::exists(path)) {
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
    try {
        LoadFromFile(m_list.FileName());
    } catch (const EListFileError& error) {
        m_unreadableFile = m_list.FileName();
        m_list.MarkModified();
        m_prompts.Ask(error.Message(), LangStr(QStringLiteral("sError")), TPromptButtons::OK, TPromptIcon::Error);
    }
}

void TComputerListFile::ExportList() {
    const QString path =
        m_dialogs.PromptSaveFileName(LangStr(QStringLiteral("sExportTitle")), LangStr(QStringLiteral("sExportFilter")),
                                     LangStr(QStringLiteral("sExportDefaultExt")), m_options.SettingsFolder);
    if (!path.isEmpty())
        ExportToFile(path);
}

void TComputerListFile::ExportToFile(const QString& path) {
    if (HasXmlExtension(path))
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

void TComputerListFile::ImportFromFile(const QString& path) {
    struct TMarkModified {
        TComputerList& List;
        ~TMarkModified() { List.MarkModified(); }
    } markModified{m_list};
    if (HasXmlExtension(path))
        LoadFromFile(path);
    else
        ImportText(path);
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
    QFile file(path);
    QByteArray bytes;
    const bool read =
        file.size() <= MaxFileSize && file.open(QIODevice::ReadOnly) && (bytes = file.readAll()).size() == file.size();
    if (!read) {
        m_prompts.Ask(LangStr(QStringLiteral("sLoadTextNoGroupFailed")),
                      LangStr(QStringLiteral("sLoadTextNoGroupFailedTitle")), TPromptButtons::OK, TPromptIcon::Error);
        return;
    }
    m_list.BeginUpdate();
    for (const QString& name : ComputerNamesOfText(DecodeTextFile(bytes)))
        m_list.NewComputer(name, QString(), nullptr);
    m_list.EndUpdate();
}
