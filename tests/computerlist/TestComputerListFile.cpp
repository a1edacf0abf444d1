#include "TEnglishTexts.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "TScriptedSecretStore.h"
#include "TTinyDisk.h"
#include "uComputerList.h"
#include "uComputerListFile.h"
#include "uPasswordProtection.h"
#include "uProgramOptions.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

// Every stored field of every entry, depth first, as one line per entry.
void Dump(const TEntryList& items, int depth, QStringList& lines) {
    for (const auto& entry : items) {
        QString line = QString(depth * 2, u' ') + (entry->IsGroup() ? "G " : "C ") + entry->Name() + "|" +
                       entry->Description() + "|" + QString::number(entry->Status()) + "|" +
                       QString::number(entry->UserConnectAs()) + "|" + entry->UserName() + "|" + entry->UserPassword();
        if (entry->IsGroup()) {
            const auto& group = static_cast<const TGroupObject&>(*entry);
            lines.append(line + (group.IsExpanded() ? "|expanded" : "|collapsed"));
            Dump(group.Items(), depth + 1, lines);
        } else {
            const auto& computer = static_cast<const TComputerObject&>(*entry);
            lines.append(line + "|" + computer.MacAddress() + (computer.CheckState() == Qt::Checked ? "|x" : "|-"));
        }
    }
}

QStringList Dump(const TComputerList& list) {
    QStringList lines;
    Dump(list.Items(), 0, lines);
    return lines;
}

QStringList ChildNames(const QDomElement& parent) {
    QStringList names;
    for (QDomElement child = parent.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
        names.append(child.tagName());
    return names;
}

} // namespace

class TestComputerListFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void roundTripOfNestedGroups();
    void writesElementsInOrder();
    void passwordsFollowTheSecurityLevel();
    void passwordsInTheSecretStore_data();
    void passwordsInTheSecretStore();
    void secretStoreThatCannotGiveThemBack();
    void handEditedStoreReferences();
    void emptyListAndEmptyFile();
    void readingRules_data();
    void readingRules();
    void appendsToTheList();
    void badInput_data();
    void badInput();
    void hugeFileIsRefused();
    void specialFilesAreRefused();
    void saveRefusesWhatCannotBeReadBack();
    void fullDiskIsReportedInTheSystemsWords();
    void unreadableFileAtStartUpIsKept();
    void saveFailures();
    void savedFileModes_data();
    void savedFileModes();
    void textExport();
    void textImport_data();
    void textImport();
    void importMarksModifiedWhateverHappens();
    void importAndExportChooseFormatByExtension();
    void listDocumentsImportWhateverTheirName_data();
    void listDocumentsImportWhateverTheirName();
    void refusedImportLeavesTheListAlone_data();
    void refusedImportLeavesTheListAlone();
    void dvlRoundTripThroughExportAndImport();
    void exportFollowsTheChosenFilter_data();
    void exportFollowsTheChosenFilter();
    void exportAsksBeforeReplacingAFileTheFilterNamed();
    void dialogsOfImportAndExport();

private:
    QString Write(const QString& name, const QByteArray& content);
    QByteArray Read(const QString& path);
    void BuildSample();
    void NewList();

    std::unique_ptr<QTemporaryDir> m_dir;
    TProgramOptions m_options;
    TScriptedPrompts m_prompts;
    TScriptedEntryDialogs m_entryDialogs;
    TScriptedFileDialogs m_fileDialogs;
    std::unique_ptr<TComputerList> m_list;
    std::unique_ptr<TComputerListFile> m_file;
};

void TestComputerListFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_options = TProgramOptions();
    m_options.SettingsFolder = m_dir->path() + "/";
    NewList();
}

void TestComputerListFile::NewList() {
    m_prompts = TScriptedPrompts();
    m_fileDialogs = TScriptedFileDialogs();
    m_file.reset();
    m_list = std::make_unique<TComputerList>(m_options, m_prompts, m_entryDialogs);
    m_file = std::make_unique<TComputerListFile>(*m_list, m_options, m_prompts, m_fileDialogs);
}

void TestComputerListFile::cleanup() {
    QVERIFY(m_prompts.AllAnswersUsed());
    m_file.reset();
    m_list.reset();
}

QString TestComputerListFile::Write(const QString& name, const QByteArray& content) {
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
    return path;
}

QByteArray TestComputerListFile::Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestComputerListFile::BuildSample() {
    TComputerList& list = *m_list;
    TGroupObject* outer = list.NewGroup("Zürich", "first floor & <lab>", nullptr, 0);
    outer->SetUserConnectAs(ucFollowingUser);
    outer->SetUserName("corp\\admin");
    outer->SetUserPassword("pässwörd");
    TGroupObject* inner = list.NewGroup("Inner", "", outer);
    inner->SetUserConnectAs(ucPromptUser);
    TComputerObject* pc1 = list.NewComputer("pc1", "desk \"one\"", inner);
    pc1->SetMacAddress("00-11-22-33-44-55");
    pc1->SetStatus(0);
    pc1->SetUserConnectAs(ucFollowingUser);
    pc1->SetUserName("local");
    pc1->SetUserPassword("x");
    pc1->SetChecked(true);
    TComputerObject* pc2 = list.NewComputer("10.0.0.2", "", inner);
    pc2->SetUserConnectAs(ucCurrentUser);
    list.NewGroup("Empty", "", nullptr);
    list.NewComputer("top", "", nullptr);
    inner->SetExpanded(true);
    outer->SetExpanded(true);
}

void TestComputerListFile::roundTripOfNestedGroups() {
    BuildSample();
    const QStringList before = Dump(*m_list);
    const QString path = m_dir->filePath("sub/folder/list.dvl");
    m_file->SaveToFile(path);
    QVERIFY(!m_list->Modified());

    NewList();
    m_file->LoadFromFile(path);
    QCOMPARE(Dump(*m_list), before);
    QCOMPARE(before.size(), 6);
    QVERIFY(!m_list->Modified());
}

void TestComputerListFile::writesElementsInOrder() {
    BuildSample();
    const QString path = m_dir->filePath("order.dvl");
    m_file->SaveToFile(path);
    const QByteArray content = Read(path);
    QVERIFY(content.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    QVERIFY(content.contains("\n  <Group>\n")); // indented one level per element
    QDomDocument document;
    QVERIFY(document.setContent(content));
    const QDomElement root = document.documentElement();
    QCOMPARE(root.tagName(), "List");
    QCOMPARE(ChildNames(root), (QStringList{"Group", "Group", "Computer"}));
    const QDomElement outer = root.firstChildElement();
    QCOMPARE(ChildNames(outer), (QStringList{"Name", "Description", "Status", "Expanded", "UserConnectAs", "UserName",
                                             "UserPassword", "List"}));
    const QDomElement inner = outer.firstChildElement("List").firstChildElement();
    QCOMPARE(ChildNames(inner), (QStringList{"Name", "Description", "Status", "Expanded", "UserConnectAs", "List"}));
    QCOMPARE(inner.firstChildElement("UserConnectAs").text(), "255");
    const QDomElement pc1 = inner.firstChildElement("List").firstChildElement();
    QCOMPARE(ChildNames(pc1), (QStringList{"Name", "Description", "MacAddress", "Status", "UserConnectAs", "Checked",
                                           "UserName", "UserPassword"}));
    QCOMPARE(pc1.firstChildElement("Checked").text(), "1");
    QCOMPARE(ChildNames(pc1.nextSiblingElement()),
             (QStringList{"Name", "Description", "MacAddress", "Status", "UserConnectAs", "Checked"}));
    QCOMPARE(ChildNames(root.firstChildElement().nextSiblingElement()).last(), "List");
    QCOMPARE(outer.firstChildElement("Description").text(), "first floor & <lab>"); // no entity encoding on top
}

void TestComputerListFile::passwordsFollowTheSecurityLevel() {
    BuildSample();
    const QString path = m_dir->filePath("level.dvl");
    m_file->SaveToFile(path);
    QDomDocument document;
    QVERIFY(document.setContent(Read(path)));
    QCOMPARE(document.documentElement().firstChildElement().firstChildElement("UserPassword").text(),
             EncryptPassword("pässwörd", GetMachineKey(1)));
    QVERIFY(!Read(path).contains("pässwörd"));

    m_options.DefaultSecurityLevel = 0;
    m_file->SaveToFile(path);
    QVERIFY(Read(path).contains("<UserPassword>pässwörd</UserPassword>"));
}

void TestComputerListFile::passwordsInTheSecretStore_data() {
    QTest::addColumn<bool>("option");
    QTest::addColumn<bool>("haveStore");
    QTest::addColumn<QString>("failure"); // the store's answer to every call
    QTest::addColumn<bool>("inStore");    // where the passwords end up
    QTest::addColumn<QString>("message"); // the notice given, if any
    QTest::newRow("off: the file keeps them") << false << true << "" << false << "";
    QTest::newRow("on: the store keeps them") << true << true << "" << true << "";
    QTest::newRow("store refuses: file, and said")
        << true << true << "locked" << false
        << "The desktop's secret store cannot keep the passwords of the computer list: locked\r\n"
           "They are stored in the list file instead, protected as before.";
    QTest::newRow("no store at all: file, and said")
        << true << false << "" << false
        << "The desktop's secret store cannot keep the passwords of the computer list: no secret store is "
           "available\r\nThey are stored in the list file instead, protected as before.";
}

void TestComputerListFile::passwordsInTheSecretStore() {
    QFETCH(bool, option);
    QFETCH(bool, haveStore);
    QFETCH(QString, failure);
    QFETCH(bool, inStore);
    QFETCH(QString, message);
    const TEnglishTexts english;
    TScriptedSecretStore store;
    store.Failure = failure;
    m_options.bPasswordsInSecretStore = option;
    auto file =
        std::make_unique<TComputerListFile>(*m_list, m_options, m_prompts, m_fileDialogs, haveStore ? &store : nullptr);
    BuildSample();
    const QStringList expected = Dump(*m_list);
    const QString path = m_dir->filePath("stored.dvl");
    m_list->SetFileName(path);
    const int notices = message.isEmpty() ? 0 : 2; // one per save
    for (int i = 0; i < notices; ++i)
        m_prompts.Answer(TPromptResult::OK);
    file->SaveToFile(path);
    file->SaveToFile(path); // a second save replaces the list's item, it adds none
    QCOMPARE(m_prompts.Asked().size(), notices);
    if (notices)
        QCOMPARE(m_prompts.Asked().first().Text, message);

    const QByteArray content = Read(path);
    QVERIFY(!content.contains("pässwörd"));
    QCOMPARE(content.contains("<UserPassword>"), !inStore);
    QCOMPARE(content.contains("<PasswordInStore>"), inStore);
    QCOMPARE(store.Items.size(), inStore ? 1 : 0);
    if (inStore)
        QCOMPARE(store.Writes, 2);
    // An export carries the passwords whatever the setting: the store is this list file's alone.
    const QString exported = m_dir->filePath("export.xml");
    file->SaveToFile(exported);
    QVERIFY(Read(exported).contains("<UserPassword>"));

    store.Failure.clear();
    TComputerList again(m_options, m_prompts, m_entryDialogs);
    again.SetFileName(path);
    TComputerListFile(again, m_options, m_prompts, m_fileDialogs, &store).LoadFromFile(path);
    QCOMPARE(Dump(again), expected);
    QVERIFY(!again.Modified());
}

void TestComputerListFile::secretStoreThatCannotGiveThemBack() {
    const TEnglishTexts english;
    TScriptedSecretStore store;
    m_options.bPasswordsInSecretStore = true;
    BuildSample();
    const QString path = m_dir->filePath("stored.dvl");
    m_list->SetFileName(path);
    TComputerListFile(*m_list, m_options, m_prompts, m_fileDialogs, &store).SaveToFile(path);

    store.Failure = QStringLiteral("the keyring is locked");
    TComputerList again(m_options, m_prompts, m_entryDialogs);
    again.SetFileName(path);
    m_prompts.Answer(TPromptResult::OK);
    TComputerListFile(again, m_options, m_prompts, m_fileDialogs, &store).LoadFromFile(path);
    QCOMPARE(m_prompts.Asked().size(), 1);
    QVERIFY2(m_prompts.Asked()[0].Text.contains("the keyring is locked"), qPrintable(m_prompts.Asked()[0].Text));
    QCOMPARE(m_prompts.Asked()[0].Icon, TPromptIcon::Warning);
    // Every entry is there, only without its password; closing must ask before anything is saved over them.
    QCOMPARE(Dump(again).size(), Dump(*m_list).size());
    QVERIFY(!Dump(again).join('\n').contains("pässwörd"));
    QVERIFY(again.Modified());
}

// References are hostile input too: the store is asked once, for a well-formed list id only.
void TestComputerListFile::handEditedStoreReferences() {
    TScriptedSecretStore store;
    const QString id = QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e");
    store.Items.insert("computer list " + id, R"(["first","second"])");
    QByteArray content = "<List>";
    const QStringList references{id + "/1", id + "/7", id + "/x", "not-a-list/0", id + "/-1"};
    for (const QString& reference : references)
        content += "<Computer><Name>pc</Name><UserConnectAs>2</UserConnectAs><PasswordInStore>" + reference.toUtf8() +
                   "</PasswordInStore></Computer>";
    for (int i = 0; i < 1000; ++i)
        content += "<Computer><Name>pc</Name><UserConnectAs>2</UserConnectAs><PasswordInStore>" +
                   QUuid::createUuid().toString(QUuid::WithoutBraces).toUtf8() + "/0</PasswordInStore></Computer>";
    content += "</List>";
    const QString path = Write("edited.dvl", content);
    TComputerListFile(*m_list, m_options, m_prompts, m_fileDialogs, &store).LoadFromFile(path);
    QCOMPARE(store.Reads, 1);
    QStringList passwords;
    for (const auto& entry : m_list->Items())
        passwords.append(entry->UserPassword());
    QCOMPARE(passwords.mid(0, 5), (QStringList{"second", "", "", "", ""}));
    QCOMPARE(passwords.mid(5).join(QString()), QString());

    // Led by a reference that is no list id, nothing is asked at all.
    store.Reads = 0;
    TComputerList other(m_options, m_prompts, m_entryDialogs);
    const QString junk = Write("junk.dvl", "<List><Computer><Name>pc</Name><UserConnectAs>2</UserConnectAs>"
                                           "<PasswordInStore>../../etc/0</PasswordInStore></Computer></List>");
    TComputerListFile(other, m_options, m_prompts, m_fileDialogs, &store).LoadFromFile(junk);
    QCOMPARE(store.Reads, 0);
    QVERIFY(m_prompts.Asked().isEmpty());
}

void TestComputerListFile::emptyListAndEmptyFile() {
    const QString path = m_dir->filePath("empty.dvl");
    m_file->SaveToFile(path);
    QDomDocument document;
    QVERIFY(document.setContent(Read(path)));
    QCOMPARE(document.documentElement().tagName(), "List");
    QVERIFY(document.documentElement().firstChildElement().isNull());
    m_file->LoadFromFile(path);
    QVERIFY(m_list->Items().empty());

    m_file->LoadFromFile(Write("zero.dvl", "")); // what a first start without defaults leaves
    m_file->LoadFromFile(m_dir->filePath("missing.dvl"));
    m_file->SaveToFile(QString()); // nothing to do
    QVERIFY(m_list->Items().empty());
    QVERIFY(m_prompts.Asked().isEmpty());
}

void TestComputerListFile::readingRules_data() {
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("unnamed group skipped with its contents")
        << QByteArray("<List><Group><Name></Name><List><Computer><Name>inside</Name></Computer></List></Group>"
                      "<Group><List/></Group><Computer><Name>kept</Name></Computer></List>")
        << QStringList{"C kept||0|0||||-"};
    QTest::newRow("unnamed computer skipped")
        << QByteArray("<List><Computer><Description>d</Description></Computer></List>") << QStringList{};
    QTest::newRow("lower-case computer is a group")
        << QByteArray("<List><computer><Name>odd</Name><Status>1</Status></computer></List>")
        << QStringList{"G odd||1|0|||collapsed"};
    QTest::newRow("missing or broken numbers are 0")
        << QByteArray("<List><Computer><Name>a</Name></Computer><Computer><Name>b</Name><Status>up</Status>"
                      "<UserConnectAs>two</UserConnectAs><Checked>yes</Checked></Computer></List>")
        << QStringList{"C a||0|0||||-", "C b||0|0||||-"};
    QTest::newRow("low byte of mode and check mark")
        << QByteArray("<List><Computer><Name>a</Name><UserConnectAs>258</UserConnectAs><UserName>u</UserName>"
                      "<Checked>256</Checked></Computer><Computer><Name>b</Name><Checked>257</Checked>"
                      "<UserConnectAs>-1</UserConnectAs></Computer></List>")
        << QStringList{"C a||0|2|u|||-", "C b||0|255||||x"};
    QTest::newRow("credentials only in mode 2")
        << QByteArray("<List><Group><Name>g</Name><UserConnectAs>0</UserConnectAs><UserName>u</UserName>"
                      "<UserPassword>p</UserPassword><Expanded>7</Expanded><List><Computer><Name>c</Name>"
                      "</Computer></List></Group></List>")
        << QStringList{"G g||0|0|||expanded", "  C c||0|0||||-"};
    QTest::newRow("first match, any position, other names ignored")
        << QByteArray("<Root><Group><List><Computer><Checked>1</Checked><Name>c</Name><Name>second</Name>"
                      "<Extra>x</Extra></Computer></List><Name>g</Name><List><Computer><Name>late</Name></Computer>"
                      "</List><Status>0x10</Status></Group></Root>")
        << QStringList{"G g||16|0|||collapsed", "  C c||0|0||||x"};
    QTest::newRow("text of nested markup and CDATA")
        << QByteArray("<List><Computer><Name>p<b>c</b><![CDATA[&1]]></Name><Description> x </Description>"
                      "</Computer></List>")
        << QStringList{"C pc&1| x |0|0||||-"};
    QTest::newRow("byte order mark and declared encoding")
        << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><List><Computer><Name>B\xC3\xBCro</Name>"
                      "</Computer></List>")
        << QStringList{u"C Büro||0|0||||-"_qs};
}

void TestComputerListFile::readingRules() {
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, expected);
    m_file->LoadFromFile(Write("rules.dvl", xml));
    QCOMPARE(Dump(*m_list), expected);

    // What was ignored is dropped by the next save.
    const QString saved = m_dir->filePath("saved.dvl");
    m_file->SaveToFile(saved);
    NewList();
    m_file->LoadFromFile(saved);
    QCOMPARE(Dump(*m_list), expected);
    QVERIFY(!Read(saved).contains("<UserPassword>p<"));
}

void TestComputerListFile::appendsToTheList() {
    m_list->NewComputer("existing", "", nullptr);
    const QString path = Write("more.dvl", "<List><Computer><Name>new</Name></Computer></List>");
    m_file->LoadFromFile(path);
    m_file->LoadFromFile(path);
    QCOMPARE(Dump(*m_list), (QStringList{"C existing||1|0||||-", "C new||0|0||||-", "C new||0|0||||-"}));
}

void TestComputerListFile::badInput_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("truncated") << QByteArray("<?xml version=\"1.0\"?><List><Group><Name>g</Name><List><Comp");
    QTest::newRow("two roots") << QByteArray("<List/><List/>");
    QTest::newRow("blank") << QByteArray("   \r\n");
    QByteArray junk;
    for (int i = 0; i < 65536; ++i)
        junk += char((i * 2654435761u) >> 24);
    QTest::newRow("binary junk") << junk;
    QByteArray deep = "<List>";
    for (int i = 0; i < 10000; ++i)
        deep += "<Group><Name>g</Name><List>";
    for (int i = 0; i < 10000; ++i)
        deep += "</List></Group>";
    deep += "</List>";
    QTest::newRow("groups 10000 deep") << deep;
    QByteArray deepMarkup = "<List><Computer><Name>n</Name><Description>";
    for (int i = 0; i < 10000; ++i)
        deepMarkup += "<a>";
    QTest::newRow("unclosed markup 10000 deep") << deepMarkup;
    // Well-formed, but reading the field text recursed once per level and overflowed the stack.
    QTest::newRow("closed markup 100000 deep in a field")
        << "<List><Computer><Name>n</Name><Description>" + QByteArray("<a>").repeated(100000) +
               QByteArray("</a>").repeated(100000) + "</Description></Computer></List>";
    // Well-formed, but the parser's duplicate check took minutes.
    QByteArray attributes = "<List><Computer";
    for (int i = 0; i < 100000; ++i)
        attributes += " a" + QByteArray::number(i) + "=\"\"";
    QTest::newRow("100000 attributes on one element") << attributes + "><Name>n</Name></Computer></List>";
}

void TestComputerListFile::badInput() {
    QFETCH(QByteArray, content);
    m_list->NewComputer("kept", "", nullptr);
    QVERIFY_THROWS_EXCEPTION(EListFileError, m_file->LoadFromFile(Write("bad.dvl", content)));
    QVERIFY_THROWS_EXCEPTION(EListFileError, m_file->ImportFromFile(Write("bad.xml", content)));
    QCOMPARE(Dump(*m_list), QStringList{"C kept||1|0||||-"});
}

void TestComputerListFile::hugeFileIsRefused() {
    const QString path = m_dir->filePath("huge.dvl");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(100 * 1024 * 1024)); // sparse: takes no disk space
    file.close();
    QVERIFY_THROWS_EXCEPTION(EListFileError, m_file->LoadFromFile(path));
    QVERIFY(m_list->Items().empty());
}

// A FIFO blocks open() until a writer comes: it would hold the start up forever.
void TestComputerListFile::specialFilesAreRefused() {
    const TEnglishTexts english;
    const QString fifo = m_dir->filePath("fifo.dvl");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    try {
        m_file->LoadFromFile(fifo);
        QFAIL("a FIFO was read as a list");
    } catch (const EListFileError& error) {
        QVERIFY2(error.Message().endsWith("The file is not a regular file."), qPrintable(error.Message()));
    }

    m_options.DefaultHostsFile = fifo;
    m_prompts.Answer(TPromptResult::OK);
    m_file->LoadAtStartUp();
    QCOMPARE(m_prompts.Asked().size(), 1);
    m_list->NewComputer("new", "", nullptr);
    QVERIFY_THROWS_EXCEPTION(EListFileError, m_file->SaveList()); // neither copied nor written into
    QVERIFY(!QFileInfo::exists(fifo + ".bak"));
    QVERIFY(!QFileInfo(fifo).isFile());

    const QString textFifo = m_dir->filePath("names.txt");
    QCOMPARE(::mkfifo(QFile::encodeName(textFifo).constData(), 0600), 0);
    m_prompts.Answer(TPromptResult::OK);
    m_prompts.Answer(TPromptResult::OK);
    m_file->ImportFromFile(textFifo);
    QVERIFY(m_prompts.Asked().last().Text.startsWith("The text file could not be read"));
}

// Whatever SaveToFile writes, LoadFromFile reads back: a list one byte over the limit is refused and the
// file on disk stays as it was.
void TestComputerListFile::saveRefusesWhatCannotBeReadBack() {
    BuildSample();
    const QString path = m_dir->filePath("list.dvl");
    m_file->SaveToFile(path);
    const QByteArray saved = Read(path);
    m_file->SetMaxFileSize(saved.size());
    m_file->SaveToFile(path);
    QCOMPARE(Read(path), saved);

    m_list->NewComputer("one more", "", nullptr);
    QVERIFY_THROWS_EXCEPTION(EListFileError, m_file->SaveToFile(path));
    QCOMPARE(Read(path), saved);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"list.dvl"}); // no temporary file left

    NewList();
    m_file->SetMaxFileSize(saved.size());
    m_file->LoadFromFile(path);
    QCOMPARE(m_list->Items().size(), size_t(3));
}

void TestComputerListFile::fullDiskIsReportedInTheSystemsWords() {
    TTinyDisk disk(64);
    if (!disk.IsMounted())
        QSKIP("mounting a tmpfs needs root");
    const TEnglishTexts english;
    const QString path = disk.Path() + "/list.dvl";
    m_list->NewComputer("old", "", nullptr);
    m_file->SaveToFile(path);
    const QByteArray saved = Read(path);
    QVERIFY(disk.Fill());
    for (int i = 0; i < 2000; ++i)
        m_list->NewComputer(QString("pc%1").arg(i), "", nullptr);
    try {
        m_file->SaveToFile(path);
        QFAIL("saved on a full disk");
    } catch (const EListFileError& error) {
        QVERIFY2(error.Message().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))), qPrintable(error.Message()));
    }
    QCOMPARE(Read(path), saved);
}

void TestComputerListFile::unreadableFileAtStartUpIsKept() {
    const QByteArray broken = "<List><Computer><Name>precious</Name></Computer>"; // truncated by a crash
    m_options.DefaultHostsFile = Write("default.dvl", broken);
    m_prompts.Answer(TPromptResult::OK);
    m_file->LoadAtStartUp();
    QCOMPARE(m_list->FileName(), m_options.DefaultHostsFile);
    QCOMPARE(m_prompts.Asked().size(), 1);
    QCOMPARE(m_prompts.Asked()[0].Caption, "sError");
    QCOMPARE(m_prompts.Asked()[0].Icon, TPromptIcon::Error);
    QVERIFY(m_list->Items().empty());
    QVERIFY(m_list->Modified()); // closing asks before the file is replaced

    m_list->NewComputer("new", "", nullptr);
    m_file->SaveList();
    QCOMPARE(Read(m_options.DefaultHostsFile + ".bak"), broken);
    QVERIFY(Read(m_options.DefaultHostsFile).contains("<Name>new</Name>"));

    m_file->SaveList(); // the backup is made once
    QCOMPARE(Read(m_options.DefaultHostsFile + ".bak"), broken);
}

void TestComputerListFile::saveFailures() {
    BuildSample();
    const QString blocker = Write("blocker", "a file, not a folder");
    QVERIFY_THROWS_EXCEPTION(EListFileError, m_file->SaveToFile(blocker + "/list.dvl"));
    QDir(m_dir->path()).mkdir("folder.dvl");
    QVERIFY_THROWS_EXCEPTION(EListFileError, m_file->SaveToFile(m_dir->filePath("folder.dvl")));
    QCOMPARE(Read(blocker), "a file, not a folder");
}

void TestComputerListFile::savedFileModes_data() {
    QTest::addColumn<int>("before"); // -1: a new file
    QTest::addColumn<int>("after");
    QTest::newRow("new file, whatever the umask") << -1 << 0600;
    QTest::newRow("existing file keeps its mode") << 0640 << 0640;
    QTest::newRow("read-only for its owner") << 0400 << 0400;
}

void TestComputerListFile::savedFileModes() {
    QFETCH(int, before);
    QFETCH(int, after);
    BuildSample();
    const QString path = m_dir->filePath("modes.dvl");
    if (before >= 0) {
        Write("modes.dvl", "<List/>");
        QVERIFY(chmod(QFile::encodeName(path).constData(), mode_t(before)) == 0);
    }
    const mode_t umaskBefore = umask(0);
    m_file->SaveToFile(path);
    umask(umaskBefore);
    struct stat info {};
    QCOMPARE(stat(QFile::encodeName(path).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 07777), after);
    QVERIFY(Read(path).contains("<Name>pc1</Name>"));
}

void TestComputerListFile::textExport() {
    BuildSample();
    const QString path = m_dir->filePath("names.txt");
    m_prompts.Answer(TPromptResult::Cancel);
    m_file->ExportToFile(path);
    QVERIFY(!QFileInfo::exists(path));

    m_prompts.Answer(TPromptResult::OK);
    m_file->ExportToFile(path);
    QCOMPARE(Read(path), "pc1\r\n10.0.0.2\r\ntop\r\n");
    QCOMPARE(m_prompts.Asked()[1].Text, "sSaveTextNoGroup");
    QCOMPARE(m_prompts.Asked()[1].Caption, "sSaveTextNoGroupTitle");
    QCOMPARE(m_prompts.Asked()[1].Buttons, TPromptButtons::OKCancel);
    QCOMPARE(m_prompts.Asked()[1].Icon, TPromptIcon::Warning);

    m_prompts.Answer(TPromptResult::OK);
    m_file->ExportToFile(m_dir->filePath("no/such/folder/names.txt")); // failures stay silent
}

void TestComputerListFile::textImport_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("CR LF") << QByteArray("pc1\r\npc2\r\n") << QStringList{"pc1", "pc2"};
    QTest::newRow("last line without end, LF only") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBFpc1\r\n") << QStringList{"pc1"};
    QTest::newRow("blank lines and blanks") << QByteArray("\r\n  pc1  \r\n\r\n\t\r\n") << QStringList{"pc1"};
    QTest::newRow("duplicates kept") << QByteArray("x\r\nx\r\n") << QStringList{"x", "x"};
    QTest::newRow("invalid UTF-8 read as 8-bit")
        << QByteArray("B\xFCro\r\n\xC3\r\n") << QStringList{u"Büro"_qs, u"Ã"_qs};
    QTest::newRow("UTF-16 with byte order mark") << QByteArray("\xFF\xFEp\0c\0\r\0\n\0", 10) << QStringList{"pc"};
}

void TestComputerListFile::textImport() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    m_prompts.Answer(TPromptResult::OK);
    m_file->ImportFromFile(Write("names.txt", content));
    QStringList dump;
    for (const QString& name : expected)
        dump.append("C " + name + "||1|0||||-");
    QCOMPARE(Dump(*m_list), dump);
    QVERIFY(m_list->Modified());
    QCOMPARE(m_prompts.Asked()[0].Text, "sLoadTextNoGroup");
    QCOMPARE(m_prompts.Asked()[0].Caption, "sLoadTextNoGroupTitle");
}

void TestComputerListFile::importMarksModifiedWhateverHappens() {
    m_prompts.Answer(TPromptResult::Cancel);
    m_file->ImportFromFile(Write("declined.txt", "pc1\r\n"));
    QVERIFY(m_list->Items().empty());
    QVERIFY(m_list->Modified());

    init();
    m_prompts.Answer(TPromptResult::OK);
    m_prompts.Answer(TPromptResult::OK);
    m_file->ImportFromFile(m_dir->filePath("missing.txt"));
    QCOMPARE(m_prompts.Asked()[1].Text, "sLoadTextNoGroupFailed");
    QCOMPARE(m_prompts.Asked()[1].Caption, "sLoadTextNoGroupFailedTitle");
    QCOMPARE(m_prompts.Asked()[1].Icon, TPromptIcon::Error);
    QVERIFY(m_list->Modified());
}

void TestComputerListFile::importAndExportChooseFormatByExtension() {
    m_list->NewComputer("here", "", nullptr);
    m_file->ImportFromFile(Write("list.XML", "<List><Computer><Name>added</Name></Computer></List>"));
    QCOMPARE(m_list->Items().size(), size_t(2));
    QVERIFY(m_prompts.Asked().isEmpty());

    const QString xml = m_dir->filePath("out.Xml");
    m_file->ExportToFile(xml);
    QVERIFY(Read(xml).contains("<Name>added</Name>"));

    const QString dvl = m_dir->filePath("out.DVL");
    m_file->ExportToFile(dvl);
    QVERIFY(Read(dvl).contains("<Name>added</Name>"));
}

namespace {
const QByteArray ListDocument = "<List><Group><Name>g</Name><List><Computer><Name>x</Name></Computer></List></Group>"
                                "<Computer><Name>y</Name></Computer></List>";
} // namespace

// A list document is never read as names: every one of its lines would become a computer.
void TestComputerListFile::listDocumentsImportWhateverTheirName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("own extension") << "copy.dvl" << ListDocument;
    QTest::newRow("XML, any case") << "copy.XmL" << ListDocument;
    QTest::newRow("text name") << "names.txt" << ListDocument;
    QTest::newRow("no extension, blank lines first") << "noextension"
                                                     << "\r\n  \r\n" + ListDocument;
    QTest::newRow("byte order mark and declaration")
        << "list.txt"
        << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + ListDocument;
    QByteArray utf16("\xFF\xFE");
    for (const QChar c : QString::fromLatin1(ListDocument))
        utf16 += QByteArray(1, char(c.unicode())) + QByteArray(1, '\0');
    QTest::newRow("UTF-16 named as text") << "list.txt" << utf16;
    QTest::newRow("another root holding entries")
        << "other.txt"
        << "<Items>" + ListDocument.mid(6, ListDocument.size() - 13) + "</Items>";
}

void TestComputerListFile::listDocumentsImportWhateverTheirName() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    m_list->NewComputer("here", "", nullptr);
    m_file->ImportFromFile(Write(name, content));
    QCOMPARE(Dump(*m_list),
             (QStringList{"C here||1|0||||-", "G g||0|0|||collapsed", "  C x||0|0||||-", "C y||0|0||||-"}));
    QVERIFY(m_list->Modified());
    QVERIFY(m_prompts.Asked().isEmpty()); // no question about a text import
}

void TestComputerListFile::refusedImportLeavesTheListAlone_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("textQuestion");
    QTest::addColumn<QString>("message");
    QTest::newRow("options file") << "options.xml"
                                  << QByteArray("<?xml version=\"1.0\"?><Settings><Defaults><DefaultLang>english.lng"
                                                "</DefaultLang></Defaults></Settings>")
                                  << false << "sImportNotAList";
    QTest::newRow("other XML named as a list")
        << "page.dvl" << QByteArray("<html><body>pc1</body></html>") << false << "sImportNotAList";
    QTest::newRow("well-formed markup named as text")
        << "page.txt" << QByteArray("<html><body>pc1</body></html>") << false << "sImportNotAList";
    QTest::newRow("broken markup named as text")
        << "page.htm" << QByteArray("<html><body><p>pc1</body>\r\n") << false << "sImportTextHoldsMarkup";
    QTest::newRow("markup lines in a name list")
        << "names.txt" << QByteArray("pc1\r\n</Computer>\r\npc2\r\n") << true << "sImportTextHoldsMarkup";
    QTest::newRow("broken list file") << "broken.xml" << QByteArray("<List>") << false << "sListFileReadError";
}

void TestComputerListFile::refusedImportLeavesTheListAlone() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, textQuestion);
    QFETCH(QString, message);
    m_list->NewComputer("here", "", nullptr);
    QVERIFY(!m_list->Modified());
    if (textQuestion)
        m_prompts.Answer(TPromptResult::OK);
    try {
        m_file->ImportFromFile(Write(name, content));
        QFAIL("the import was not refused");
    } catch (const EListFileError& error) {
        QCOMPARE(error.Message(), message);
    }
    QCOMPARE(Dump(*m_list), QStringList{"C here||1|0||||-"});
    QVERIFY(!m_list->Modified());
    QCOMPARE(m_prompts.Asked().size(), textQuestion ? 1 : 0);
}

void TestComputerListFile::dvlRoundTripThroughExportAndImport() {
    BuildSample();
    const QStringList before = Dump(*m_list);
    const QString path = m_dir->filePath("copy.dvl");
    m_file->ExportToFile(path);
    QVERIFY(Read(path).startsWith("<?xml"));
    NewList();
    m_file->ImportFromFile(path);
    QCOMPARE(Dump(*m_list), before);
    QVERIFY(m_prompts.Asked().isEmpty());
}

// The filter decides the suffix, and the suffix the format: the two always agree.
void TestComputerListFile::exportFollowsTheChosenFilter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("list");
    const QString dvl = "Computer list (*.dvl)";
    const QString xml = "Computer list as XML (*.xml)";
    const QString text = "Text file, one computer a line (*.txt)";
    const QString all = "All files (*)";
    QTest::newRow("list filter adds its suffix") << "copy" << dvl << "copy.dvl" << true;
    QTest::newRow("XML filter adds its suffix") << "copy" << xml << "copy.xml" << true;
    QTest::newRow("text filter adds its suffix") << "copy" << text << "copy.txt" << false;
    QTest::newRow("text filter on a list name") << "copy.dvl" << text << "copy.dvl.txt" << false;
    QTest::newRow("list filter on a text name") << "copy.txt" << dvl << "copy.txt.dvl" << true;
    QTest::newRow("suffix of the filter in another case") << "copy.TXT" << text << "copy.TXT" << false;
    QTest::newRow("all files: a list name writes the list") << "copy.dvl" << all << "copy.dvl" << true;
    QTest::newRow("all files: another name writes text") << "copy.lst" << all << "copy.lst" << false;
}

void TestComputerListFile::exportFollowsTheChosenFilter() {
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    QFETCH(bool, list);
    BuildSample();
    m_fileDialogs.Answers = {m_dir->filePath(typed)};
    m_fileDialogs.Filters = {filter};
    if (!list)
        m_prompts.Answer(TPromptResult::OK); // groups are lost in a text file
    m_file->ExportList();
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{written});
    const QByteArray content = Read(m_dir->filePath(written));
    QCOMPARE(content.startsWith("<?xml"), list);
    QCOMPARE(content.contains("pc1\r\n10.0.0.2\r\n"), !list);
}

void TestComputerListFile::exportAsksBeforeReplacingAFileTheFilterNamed() {
    BuildSample();
    const QString taken = Write("copy.dvl.txt", "keep me");
    for (const TPromptResult answer : {TPromptResult::No, TPromptResult::Yes}) {
        m_fileDialogs.Answers = {m_dir->filePath("copy.dvl")};
        m_fileDialogs.Filters = {"Text file (*.txt)"};
        m_prompts.Answer(answer);
        if (answer == TPromptResult::Yes)
            m_prompts.Answer(TPromptResult::OK);
        m_file->ExportList();
    }
    QCOMPARE(m_prompts.Asked().at(0).Text, "sExportReplace");
    QCOMPARE(m_prompts.Asked().at(0).Buttons, TPromptButtons::YesNo);
    QCOMPARE(Read(taken), "pc1\r\n10.0.0.2\r\ntop\r\n");
    QVERIFY(!QFileInfo::exists(m_dir->filePath("copy.dvl")));
}

void TestComputerListFile::dialogsOfImportAndExport() {
    m_file->ExportList(); // cancelled
    m_file->ImportList();
    const QString folder = m_options.SettingsFolder;
    QCOMPARE(m_fileDialogs.Calls, (QStringList{"save|sExportTitle|sExportFilter|sExportDefaultExt|" + folder,
                                               "open|sImportTitle|sExportFilter|sExportDefaultExt|" + folder}));
    QVERIFY(!m_list->Modified());

    const QString path = m_dir->filePath("chosen.xml");
    m_fileDialogs.Answers = {path, path};
    m_list->NewComputer("pc", "", nullptr);
    m_file->ExportList();
    QVERIFY(Read(path).contains("<Name>pc</Name>"));
    m_file->ImportList();
    QCOMPARE(m_list->Items().size(), size_t(2));
    QVERIFY(m_list->Modified());
}

QTEST_GUILESS_MAIN(TestComputerListFile)
#include "TestComputerListFile.moc"
