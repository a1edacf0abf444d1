#include "LangChanger.h"

#include "uRegularFile.h"
#include "uTextDecoding.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace {

const QString TranslationsSection = QStringLiteral("Translations");

QString ReplaceEnter(QString text) {
    return text.replace(QStringLiteral("{ENTER}"), QStringLiteral("\r\n"));
}

// Rewrites the file with every line that holds no "=" trimmed and, unless empty or a section
// header, ended with "=", in the encoding it was read in. Writes only when that changes the file,
// never a file whose bytes its text does not give back (a rewrite would damage it), and never a
// file marked read-only (even for root): such a file is used as it stands.
void NormaliseLangFile(const QString& path) {
    QFile file(path);
    if (!file.exists() || file.size() > TLangFile::MaxFileSize || !OpenRegularFileForReading(file).isEmpty())
        return;
    const QByteArray original = file.readAll();
    file.close();
    const TDecodedText decoded = DecodeText(original);
    if (decoded.Encode(decoded.Text) != original)
        return;
    QStringList lines = SplitTextLines(decoded.Text);
    for (QString& line : lines) {
        if (line.contains(u'='))
            continue;
        line = line.trimmed();
        if (!line.isEmpty() && !line.endsWith(u']'))
            line += u'=';
    }
    QString text;
    for (const QString& line : std::as_const(lines))
        text += line + QStringLiteral("\r\n");
    const QByteArray normalised = decoded.Encode(text);
    const QFileInfo info(path);
    if (normalised == original || !info.isWritable() || !info.permission(QFileDevice::WriteOwner))
        return;
    QSaveFile save(path);
    if (save.open(QIODevice::WriteOnly) && save.write(normalised) == normalised.size())
        save.commit();
}

struct TProcessTexts {
    QMutex Mutex;
    std::shared_ptr<TLangChanger> Changer;
    QHash<QString, QString> MessageTable;
};

TProcessTexts& ProcessTexts() {
    static TProcessTexts texts;
    return texts;
}

} // namespace

QString TLangChanger::LangFile() const {
    QMutexLocker lock(&m_mutex);
    return m_langFile;
}

void TLangChanger::SetLangFile(const QString& value) {
    QString path;
    {
        QMutexLocker lock(&m_mutex);
        if (value == m_langFile)
            return;
        m_langFile = value.trimmed();
        m_section.reset();
        path = m_langFile;
    }
    if (!path.isEmpty())
        NormaliseLangFile(path);
}

QString TLangChanger::Separator() const {
    QMutexLocker lock(&m_mutex);
    return m_separator;
}

void TLangChanger::SetSeparator(const QString& value) {
    QMutexLocker lock(&m_mutex);
    if (value != m_separator)
        m_separator = value.trimmed().isEmpty() ? QStringLiteral(",") : value;
}

std::shared_ptr<const TLangFile> TLangChanger::CurrentSection() const {
    QMutexLocker lock(&m_mutex);
    if (m_langFile.isEmpty())
        return nullptr;
    const QFileInfo info(m_langFile);
    const QDateTime time = info.exists() ? info.lastModified() : QDateTime();
    const qint64 size = info.exists() ? info.size() : -1;
    if (!m_section || time != m_sectionTime || size != m_sectionSize) {
        m_section = std::make_shared<const TLangFile>(TLangFile::ReadSection(m_langFile, TranslationsSection));
        m_sectionTime = time;
        m_sectionSize = size;
    }
    return m_section;
}

QString TLangChanger::GetTranslation(const QString& key) const {
    const auto section = CurrentSection();
    return ReplaceEnter(section ? section->Value(key, key) : key);
}

QList<TLangFile::TEntry> TLangChanger::TranslationEntries() const {
    const auto section = CurrentSection();
    if (!section)
        return {};
    QList<TLangFile::TEntry> entries = section->Entries();
    for (TLangFile::TEntry& entry : entries)
        entry.Value = ReplaceEnter(entry.Value);
    return entries;
}

QStringList TLangChanger::SplitList(const QString& value) const {
    const QString separator = Separator();
    QStringList pieces = value.split(separator);
    for (QString& piece : pieces)
        piece = piece.trimmed();
    if (!pieces.isEmpty() && pieces.last().isEmpty())
        pieces.removeLast();
    return pieces;
}

void SetCurrentLangChanger(std::shared_ptr<TLangChanger> changer) {
    TProcessTexts& texts = ProcessTexts();
    std::shared_ptr<TLangChanger> previous;
    QMutexLocker lock(&texts.Mutex);
    previous.swap(texts.Changer);
    texts.Changer = std::move(changer);
    lock.unlock(); // the previous changer is released outside the lock
}

std::shared_ptr<TLangChanger> CurrentLangChanger() {
    TProcessTexts& texts = ProcessTexts();
    QMutexLocker lock(&texts.Mutex);
    return texts.Changer;
}

QString GetTranslation(const QString& key) {
    const auto changer = CurrentLangChanger();
    return changer ? changer->GetTranslation(key) : key;
}

QString LangStr(const QString& key) {
    {
        TProcessTexts& texts = ProcessTexts();
        QMutexLocker lock(&texts.Mutex);
        const auto it = texts.MessageTable.constFind(key);
        if (it != texts.MessageTable.constEnd())
            return *it;
    }
    return GetTranslation(key);
}

void LoadMessageTable() {
    QHash<QString, QString> table;
    for (const QString& key : MessageTableKeys())
        table.insert(key, GetTranslation(key));
    TProcessTexts& texts = ProcessTexts();
    QMutexLocker lock(&texts.Mutex);
    texts.MessageTable.swap(table);
}

const QStringList& MessageTableKeys() {
    static const QStringList keys{
        // computer and group dialogs
        "sEnterValidGroupName", "sSelectComp", "sEnterValidCompName", "sPasswordIsEmpty", "sUserNameEmpty",
        // options dialog, About box
        "sErrorTCPConnectPortNumber", "sAboutVersion",
        // list files, import and export
        "sExportDefaultExt", "sExportFilter", "sExportTitle", "sImportTitle", "sSaveTextNoGroup",
        "sSaveTextNoGroupTitle", "sLoadTextNoGroup", "sLoadTextNoGroupTitle", "sLoadTextNoGroupFailed",
        "sLoadTextNoGroupFailedTitle", "sComputerListChangedSave",
        // editing the computer list
        "sComputerListClear", "sComputerListClearTitle", "sDeleteComputerTitle", "sDeleteComputerMTitle",
        "sDeleteSelectedInList1", "sDeleteSelectedInList", "sNewGroupNameFormat", "sNewGroup",
        // search in the wizard
        "sStatusSearchSearch", "sStatusSearchComplete", "sStatusSearchStopped", "sStopSearchProcess",
        // address ranges, text-file import in the wizard
        "sFormatSelectIpRange", "sImportTextFileTitle", "sImportTextFileFilter", "sImportTextFileDefaultExt",
        // reachability checks
        "sIcmpEchoNotPermitted",
        // message box captions
        "sError", "sWarning",
        // jobs and their results
        "sJobMsgAllJobFinished", "sJobMsgAllJobStarted", "sJobMsgAllJobStarted2", "sCouldnotfindIPaddress",
        "sHostNotActive", "sJobSuccessfully", "sJobGeneralErrorWithMsg", "sJobGeneralError", "sUseCredentialsForAll",
        // computer captions
        "sComputerCaptionStyle", "sName", "sDescription",
        // main window, action names
        "sRunWizardListEmpty", "sDormivaActionShutdown", "sDormivaActionRestart",
        // the demo
        "sDemoAlreadyRunning", "sDemoHostsMissing", "sDemoPortTaken", "sDemoHostsFailed"};
    return keys;
}
