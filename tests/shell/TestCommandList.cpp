#include "TEnglishTexts.h"
#include "TScriptedPrompts.h"
#include "uAppLog.h"
#include "uCommandList.h"
#include "uDesktopToolShell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Records what a tool asked of the desktop and answers with a fixed success.
struct TRecordingShell : IToolShell {
    QStringList Calls;
    bool Answer = true;
    bool StartProgram(const QString& program, const QStringList& arguments, const QString& directory) override {
        Calls << QStringList{QStringLiteral("start"), program, arguments.join(u'|'), directory}.join(u' ');
        return Answer;
    }
    bool OpenDocument(const QUrl& target) override {
        Calls << QStringLiteral("open ") + target.toString();
        return Answer;
    }
    void OpenShutdownDialog(const QString& computer) override { Calls << QStringLiteral("shutdown ") + computer; }
};

TCommandList OneTool(const QString& fileName, const QString& parameters, const QString& directory = {}) {
    TCommandList list(QStringLiteral("Nettools"));
    list.AddCommand(QStringLiteral("Tool"), QStringLiteral("open"), fileName, parameters, directory, 1);
    return list;
}

QString Describe(const TCommandList& list) {
    QStringList lines;
    for (const TCommandListItem& t : list.Items())
        lines << QStringList{t.Name, t.Operation, t.FileName, t.Parameters, t.Directory, QString::number(t.ShowCmd)}
                     .join(u'|');
    return lines.join(u'\n');
}

} // namespace

class TestCommandList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void macros_data();
    void macros();
    void launches_data();
    void launches();
    void addCommandNeedsNameOperationAndFile_data();
    void addCommandNeedsNameOperationAndFile();
    void runCommandEdges();
    void hostileNamesStayOneArgument_data();
    void hostileNamesStayOneArgument();
    void toolThatCannotStartIsLogged();
    void loadDropsIncompleteItems();
    void saveKeepsTheRestAndSurvivesCycles();

private:
    TEnglishTexts m_english;
    QTemporaryDir m_dir;
    TScriptedPrompts m_prompts;
};

void TestCommandList::initTestCase() {
    QVERIFY(m_english.IsLoaded());
    QVERIFY(m_dir.isValid());
}

void TestCommandList::macros_data() {
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("every occurrence, any case") << "pc1"
                                                << "%COMPUTER_NAME% %Computer_Name%/%computer_name%"
                                                << "pc1 pc1/pc1";
    QTest::newRow("address macro is the name as entered") << "Pc-1.corp"
                                                          << "%computer_ip%"
                                                          << "Pc-1.corp";
    QTest::newRow("path is the shares address") << "pc1"
                                                << "%PATH%share"
                                                << "smb://pc1/share";
    QTest::newRow("a value is not searched again") << "x%path%"
                                                   << "%computer_name%"
                                                   << "x%path%";
    QTest::newRow("unknown macros stay") << "pc1"
                                         << "%user% 100%"
                                         << "%user% 100%";
    QTest::newRow("no computer focused: nothing replaced") << ""
                                                           << "-c %computer_name%"
                                                           << "-c %computer_name%";
}

void TestCommandList::macros() {
    QFETCH(QString, computer);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ReplaceMacros(text, MakeToolMacros(computer)), expected);
}

void TestCommandList::launches_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("expected");
    const QString document = m_dir.filePath(QStringLiteral("notes.txt"));
    QFile file(document);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QTest::newRow("program with quoted arguments") << "ping"
                                                   << R"(-c 4 "a b %computer_name%")"
                                                   << "start ping -c|4|a b pc 1 ";
    QTest::newRow("address goes to the desktop") << "smb://server/share"
                                                 << "-x %path%"
                                                 << "open smb://server/share";
    QTest::newRow("ssh address") << "ssh://admin@host"
                                 << ""
                                 << "open ssh://admin@host";
    QTest::newRow("file that may not run is a document") << document << ""
                                                         << "open file://" + document;
    QTest::newRow("folder is a document") << m_dir.path() << ""
                                          << "open file://" + m_dir.path();
    QTest::newRow("drive letter is no address") << "C:\\tools\\x.exe"
                                                << "%computer_ip%"
                                                << "start C:\\tools\\x.exe pc 1 ";
}

void TestCommandList::launches() {
    QFETCH(QString, fileName);
    QFETCH(QString, parameters);
    QFETCH(QString, expected);
    TRecordingShell shell;
    OneTool(fileName, parameters).RunCommand(0, MakeToolMacros(QStringLiteral("pc 1")), shell, nullptr);
    QCOMPARE(shell.Calls, QStringList{expected});
}

void TestCommandList::addCommandNeedsNameOperationAndFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("added");
    QTest::newRow("complete") << "n"
                              << "open"
                              << "f" << true;
    QTest::newRow("no name") << ""
                             << "open"
                             << "f" << false;
    QTest::newRow("no operation") << "n"
                                  << ""
                                  << "f" << false;
    QTest::newRow("no file") << "n"
                             << "open"
                             << "" << false;
}

void TestCommandList::addCommandNeedsNameOperationAndFile() {
    QFETCH(QString, name);
    QFETCH(QString, operation);
    QFETCH(QString, fileName);
    QFETCH(bool, added);
    TCommandList list(QStringLiteral("Admintools"));
    QCOMPARE(list.AddCommand(name, operation, fileName, QStringLiteral("p"), QStringLiteral("d"), 3), added);
    QCOMPARE(list.Count(), added ? 1 : 0);
    if (added)
        QCOMPARE(Describe(list), QStringLiteral("n|open|f|p|d|3"));
}

void TestCommandList::runCommandEdges() {
    TCommandList list = OneTool(ShutdownToolFileName, QStringLiteral("-x"));
    TRecordingShell shell;
    // The shutdown tool starts no program; it opens the dialog for the focused computer, or for none.
    list.RunCommand(0, MakeToolMacros(QStringLiteral("pc1")), shell, nullptr);
    list.RunCommand(0, {}, shell, nullptr);
    list.RunCommand(1, MakeToolMacros(QStringLiteral("pc1")), shell, nullptr);
    list.RunCommand(-1, MakeToolMacros(QStringLiteral("pc1")), shell, nullptr);
    QCOMPARE(shell.Calls, (QStringList{QStringLiteral("shutdown pc1"), QStringLiteral("shutdown ")}));
}

void TestCommandList::hostileNamesStayOneArgument_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("command list") << "pc1 & rm -rf ~";
    QTest::newRow("command substitution") << "$(reboot)";
    QTest::newRow("backticks and semicolon") << "`id`; touch /tmp/owned";
    QTest::newRow("quotes and spaces") << R"(a "b" 'c' d)";
    QTest::newRow("redirection and pipe") << "x > /tmp/y | z";
    QTest::newRow("another macro inside") << "%computer_ip% %path%";
    QTest::newRow("newline") << "pc1\n--evil";
}

// The real desktop shell starts a probe program; what it received is compared argument by argument.
void TestCommandList::hostileNamesStayOneArgument() {
    QFETCH(QString, name);
    const QString out = m_dir.filePath(QStringLiteral("argv-%1").arg(QTest::currentDataTag()));
    qputenv("DORMIVA_ARGV_PROBE_OUT", QFile::encodeName(out));
    QTemporaryDir workDir;
    const TCommandList list =
        OneTool(QStringLiteral(DORMIVA_BINARY_DIR "/tools/argvprobe/dormiva-argvprobe"),
                R"(--name %computer_name% "--at=%PATH%" %computer_ip%/%computer_ip%)", workDir.path());
    TAppLog log(m_dir.path(), &m_prompts);
    TDesktopToolShell shell([](const QString&) { QFAIL("no dialog expected"); });
    list.RunCommand(0, MakeToolMacros(name), shell, &log);
    QCOMPARE(log.Count(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 20000);
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> received = file.readAll().split('\0');
    QCOMPARE(received.takeLast(), QByteArray()); // after the last terminator
    const QList<QByteArray> expected{QFile::encodeName(QDir(workDir.path()).canonicalPath()), "--name", name.toUtf8(),
                                     "--at=smb://" + name.toUtf8() + '/', name.toUtf8() + '/' + name.toUtf8()};
    QCOMPARE(received, expected);
}

void TestCommandList::toolThatCannotStartIsLogged() {
    const QString missing = m_dir.filePath(QStringLiteral("no-such-tool"));
    TCommandList list(QStringLiteral("Nettools"));
    list.AddCommand(QStringLiteral("Ping & more"), QStringLiteral("open"), missing, QString(), QString(), 1);
    TAppLog log(m_dir.path(), &m_prompts);
    TDesktopToolShell shell([](const QString&) {});
    list.RunCommand(0, MakeToolMacros(QStringLiteral("pc1")), shell, &log);
    QCOMPARE(log.Count(), 1);
    QCOMPARE(log.Item(0).Level, TAppLogLevel::Error);
    QCOMPARE(log.Item(0).Text,
             QStringLiteral("The tool \"Ping & more\" could not be started: %1 cannot be run.").arg(missing));
}

void TestCommandList::loadDropsIncompleteItems() {
    const QString path = m_dir.filePath(QStringLiteral("incomplete.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<Options><CommandList><Admintools>
  <CommandListItem><Name>A</Name><Operation>open</Operation><FileName>a</FileName><Parameters>-x</Parameters></CommandListItem>
  <CommandListItem><Name>No operation</Name><FileName>b</FileName></CommandListItem>
  <Other><Name>C</Name><Operation>open</Operation><FileName>c</FileName><ShowCmd>x</ShowCmd></Other>
</Admintools></CommandList></Options>)");
    file.close();
    TCommandList list(QStringLiteral("Admintools"));
    list.LoadFromFile(path, m_prompts);
    QCOMPARE(Describe(list), QStringLiteral("A|open|a|-x||1\nC|open|c|||1"));
    TCommandList other(QStringLiteral("Nettools"));
    other.LoadFromFile(path, m_prompts);
    QCOMPARE(other.Count(), 0);
}

void TestCommandList::saveKeepsTheRestAndSurvivesCycles() {
    const QString path = m_dir.filePath(QStringLiteral("options.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<Options><Defaults><iMaxThreads>7</iMaxThreads></Defaults>
<CommandList><Nettools><CommandListItem><Name>N</Name><Operation>open</Operation><FileName>n</FileName></CommandListItem></Nettools></CommandList>
</Options>)");
    file.close();
    TCommandList tools(QStringLiteral("Admintools"));
    tools.AddCommand(QStringLiteral("Tom & <Jerry> &amp;"), QStringLiteral("open"), QStringLiteral("\"x\" <y>"),
                     QStringLiteral("-a '&' %path%"), QStringLiteral("/tmp/a&b"), 3);
    for (int cycle = 0; cycle < 3; ++cycle) {
        tools.SaveToFile(path, m_prompts);
        TCommandList loaded(QStringLiteral("Admintools"));
        loaded.LoadFromFile(path, m_prompts);
        QCOMPARE(Describe(loaded), Describe(tools));
    }
    TCommandList net(QStringLiteral("Nettools"));
    net.LoadFromFile(path, m_prompts);
    QCOMPARE(Describe(net), QStringLiteral("N|open|n|||1"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("<iMaxThreads>7</iMaxThreads>"));
    QVERIFY(m_prompts.Asked().isEmpty());
}

QTEST_MAIN(TestCommandList)
#include "TestCommandList.moc"
