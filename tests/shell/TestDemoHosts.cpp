#include "LangChanger.h"
#include "TEnglishTexts.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "TTestHost.h"
#include "uComputerList.h"
#include "uComputerListFile.h"
#include "uCredentials.h"
#include "uDataJob.h"
#include "uDemoHosts.h"
#include "uDemoStart.h"
#include "uProgramOptions.h"
#include "uRunJob.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The demo's hosts from the real host program, the demo's switches, and the shipped demo list and options run against
// them through the real job: every computer of the list ends the way its description says.
class TestDemoHosts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyDemoComputerEndsAsDescribed_data();
    void everyDemoComputerEndsAsDescribed();
    void findsTheHostProgram_data();
    void findsTheHostProgram();
    void missingProgramNamesItsPackage();
    void takenPortIsReported();
    void stopEndsTheHosts();
    void switches_data();
    void switches();

private:
    static quint16 RandomPort() { return quint16(QRandomGenerator::global()->bounded(20000, 60000)); }

    TEnglishTexts m_english;
    QTemporaryDir m_config;
    TDemoHosts m_hosts;
    quint16 m_port = 0;
};

void TestDemoHosts::initTestCase() {
    QVERIFY(m_english.IsLoaded());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    QString error;
    for (int attempt = 0; attempt < 20; ++attempt) {
        m_port = RandomPort();
        error = m_hosts.Start(TTestHost::ProgramPath(), m_port);
        if (error.isEmpty())
            break;
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestDemoHosts::cleanupTestCase() {
    m_hosts.Stop();
}

void TestDemoHosts::everyDemoComputerEndsAsDescribed_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message"); // a part of the error message; empty: none expected
    const QString denied = QStringLiteral("Access is denied.");
    for (const char* name :
         {"127.66.0.1", "127.66.0.2", "127.66.0.3", "127.66.0.4", "127.66.0.5", "127.66.0.7", "127.66.0.8",
          "127.66.1.1", "127.66.1.2", "127.66.1.6", "127.66.2.1", "127.66.2.2", "127.66.2.3"})
        QTest::newRow(name) << QString(name) << int(jrDone) << QString();
    QTest::newRow("slow") << "127.66.0.6" << int(jrDone) << QString();
    QTest::newRow("refuses the password 1") << "127.66.1.3" << int(jrActionFailed) << denied;
    QTest::newRow("refuses the password 2") << "127.66.1.4" << int(jrActionFailed) << denied;
    QTest::newRow("users logged on") << "127.66.1.5" << int(jrActionFailed) << "1191";
    QTest::newRow("never answers") << "127.66.2.4" << int(jrActionFailed) << QString("did not answer");
    QTest::newRow("wrong password stored") << "127.66.2.5" << int(jrActionFailed) << denied;
    QTest::newRow("switched off") << "127.66.2.6" << int(jrHostNotActive) << QString();
}

void TestDemoHosts::everyDemoComputerEndsAsDescribed() {
    QFETCH(QString, name);
    QFETCH(int, result);
    QFETCH(QString, message);
    TProgramOptions options;
    TScriptedPrompts prompts;
    const TProgramEnvironment demo{{"dormiva"}, DORMIVA_SOURCE_DIR "/data", {}, true};
    ComputeFolders(options, demo);
    ResetDemoSettings(options);
    LoadProgramOptions(options, demo, prompts);
    options.RemotePort = m_port;
    options.DefaultTCPPort = m_port;

    TScriptedEntryDialogs dialogs;
    TScriptedFileDialogs files;
    TComputerList list(options, prompts, dialogs);
    TComputerListFile(list, options, prompts, files).LoadAtStartUp();
    QStringList names;
    list.GetComputerNames(names);
    QCOMPARE(names.size(), 20);
    const TComputerObject* computer = list.FindComputer(name);
    QVERIFY(computer);
    QCOMPARE(computer->CheckState(), Qt::Checked);

    TScriptedConnectAsPrompt connectAs; // nothing may ask: the demo list carries its credentials
    const TResolvedCredentials credentials = ResolveCredentials(computer, options, connectAs);
    QVERIFY(credentials.Success);
    TDataJob job;
    job.Name = name;
    job.Action = acShutdown;
    job.UserName = credentials.UserName;
    job.Password = credentials.Password;
    RunJob(job, options, [] { return false; });
    QVERIFY2(job.ErrorMessage.contains(message), qPrintable(job.ErrorMessage));
    QVERIFY2(message.isEmpty() == job.ErrorMessage.isEmpty(), qPrintable(job.ErrorMessage));
    QCOMPARE(job.Result, result);
    QCOMPARE(connectAs.Calls(), 0);
}

void TestDemoHosts::findsTheHostProgram_data() {
    QTest::addColumn<QStringList>("programs"); // host programs that exist, relative to the prefix
    QTest::addColumn<QString>("found");
    QTest::newRow("build tree: beside the program") << QStringList{"bin/dormiva-testhost"} << "bin/dormiva-testhost";
    QTest::newRow("installed: libexec") << QStringList{"libexec/dormiva/dormiva-testhost"}
                                        << "libexec/dormiva/dormiva-testhost";
    QTest::newRow("beside wins") << QStringList{"bin/dormiva-testhost", "libexec/dormiva/dormiva-testhost"}
                                 << "bin/dormiva-testhost";
    QTest::newRow("nowhere: the first place") << QStringList{} << "bin/dormiva-testhost";
    QTest::newRow("a folder of that name is no program")
        << QStringList{"bin/dormiva-testhost/", "libexec/dormiva/dormiva-testhost"}
        << "libexec/dormiva/dormiva-testhost";
}

void TestDemoHosts::findsTheHostProgram() {
    QFETCH(QStringList, programs);
    QFETCH(QString, found);
    QTemporaryDir prefix;
    QDir(prefix.path()).mkpath("bin");
    for (const QString& program : programs) {
        const QString path = prefix.filePath(program);
        if (path.endsWith('/')) {
            QDir().mkpath(path);
            continue;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QCOMPARE(TDemoHosts::FindProgram(prefix.filePath("bin/")), prefix.filePath(found));
}

void TestDemoHosts::missingProgramNamesItsPackage() {
    TDemoHosts hosts;
    const QString error = hosts.Start("/nonexistent/dormiva-testhost", RandomPort());
    QCOMPARE(error, QString("The program of the demo computers, /nonexistent/dormiva-testhost, was not found. It "
                            "comes with the package dormiva: install it again."));
}

void TestDemoHosts::takenPortIsReported() {
    QTcpServer other;
    quint16 port = 0;
    for (int attempt = 0; attempt < 20 && !other.isListening(); ++attempt) {
        port = RandomPort();
        other.listen(QHostAddress("127.66.0.1"), port);
    }
    QVERIFY(other.isListening());
    TDemoHosts hosts;
    const QString error = hosts.Start(TTestHost::ProgramPath(), port);
    QVERIFY2(
        error.startsWith(QString("The demo computers cannot listen on port %1: another program uses it.").arg(port)),
        qPrintable(error));
    QVERIFY2(error.contains("127.66.0.1"), qPrintable(error));
}

void TestDemoHosts::stopEndsTheHosts() {
    TDemoHosts hosts;
    QString error;
    for (int attempt = 0; attempt < 20; ++attempt) {
        error = hosts.Start(TTestHost::ProgramPath(), RandomPort());
        if (error.isEmpty())
            break;
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const pid_t pid = pid_t(hosts.ProcessId());
    QVERIFY(pid > 0);
    QCOMPARE(::kill(pid, 0), 0);
    hosts.Stop();
    QCOMPARE(hosts.ProcessId(), 0);
    QVERIFY(::kill(pid, 0) != 0); // reaped: the process id is gone
}

void TestDemoHosts::switches_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("demo");
    QTest::addColumn<bool>("unattended");
    QTest::addColumn<int>("port");
    QTest::newRow("normal start") << QStringList{"dormiva"} << false << false << 5985;
    QTest::newRow("demo") << QStringList{"dormiva", "--demo"} << true << false << 5985;
    QTest::newRow("unattended demo on a port")
        << QStringList{"dormiva", "--demo-port=40000", "--demo-run", "--demo"} << true << true << 40000;
    QTest::newRow("a run alone is no demo") << QStringList{"dormiva", "--demo-run"} << false << false << 5985;
    QTest::newRow("port 0 would listen nowhere")
        << QStringList{"dormiva", "--demo", "--demo-port=0"} << true << false << 5985;
    QTest::newRow("port out of range") << QStringList{"dormiva", "--demo", "--demo-port=70000"} << true << false
                                       << 5985;
    QTest::newRow("port not a number") << QStringList{"dormiva", "--demo", "--demo-port=x1"} << true << false << 5985;
    QTest::newRow("switch in other case") << QStringList{"dormiva", "--DEMO"} << false << false << 5985;
}

void TestDemoHosts::switches() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, demo);
    QFETCH(bool, unattended);
    QFETCH(int, port);
    const TDemoStart start(arguments);
    QCOMPARE(start.Demo(), demo);
    QCOMPARE(start.Unattended(), unattended);
    QCOMPARE(int(start.Port()), port);
}

QTEST_GUILESS_MAIN(TestDemoHosts)
#include "TestDemoHosts.moc"
