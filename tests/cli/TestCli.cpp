#include "PlatformSettingsLock.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "TTestHost.h"
#include "uComputerList.h"
#include "uComputerListFile.h"
#include "uProgramOptions.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The command-line program, run as a script runs it: no terminal, a scratch settings folder and the
// simulated Windows hosts on 127.0.75.x.
class TestCli : public QObject {
    Q_OBJECT

    struct TResult {
        int ExitCode = -1;
        QString Out;
        QString Err;
    };

    TTestHost m_host;

    static QString SettingsFolder(const QTemporaryDir& config) {
        return config.path() + QStringLiteral("/Vardolin/Dormiva/");
    }

    static void WriteFile(const QString& path, const QByteArray& content) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    static QByteArray Digest(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    static QByteArray Computer(const char* name, int mode, bool checked) {
        return QByteArrayLiteral("<Computer><Name>") + name + "</Name><Description/><Status>1</Status><UserConnectAs>" +
               QByteArray::number(mode) + "</UserConnectAs><Checked>" + (checked ? "1" : "0") + "</Checked></Computer>";
    }

    // A settings folder whose options reach the simulated hosts, with the given list.
    void Prepare(const QTemporaryDir& config, const QByteArray& listItems, bool confirm = false) {
        const QByteArray options = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Options><Defaults>"
                                   "<DefaultCheckState>1</DefaultCheckState><DefaultTCPPort>" +
                                   QByteArray::number(m_host.TcpPort()) +
                                   "</DefaultTCPPort><DefaultTimeout>2000</DefaultTimeout>" + "<bConfirmExecute>" +
                                   (confirm ? "1" : "0") + "</bConfirmExecute><RemotePort>" +
                                   QByteArray::number(m_host.HttpPort()) +
                                   "</RemotePort><RemoteTimeout>10</RemoteTimeout>"
                                   "</Defaults></Options>";
        WriteFile(SettingsFolder(config) + QStringLiteral("options.xml"), options);
        WriteFile(SettingsFolder(config) + QStringLiteral("default.dvl"),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?><List>" + listItems + "</List>");
    }

    static TResult RunCli(const QTemporaryDir& config, const QStringList& arguments, bool withPassword = true) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.remove(QStringLiteral("DORMIVA_PASSWORD"));
        if (withPassword)
            environment.insert(QStringLiteral("DORMIVA_PASSWORD"), TTestHost::Password);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(DORMIVA_CLI), arguments);
        process.closeWriteChannel();
        TResult result;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.Out = QString::fromUtf8(process.readAllStandardOutput());
        result.Err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    static QList<QJsonObject> JsonLines(const QString& text) {
        QList<QJsonObject> objects;
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts))
            objects.append(QJsonDocument::fromJson(line.toUtf8()).object());
        return objects;
    }

private slots:
    void initTestCase() {
        const QString error =
            m_host.Start({QStringLiteral("127.0.75.2-127.0.75.4"), QStringLiteral("127.0.75.5,deny")});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    // Every bad input is one line on the error output, exit code 2, and the list stays as it was.
    void badInputIsAUsageError_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("options"); // replaces options.xml when not empty
        QTest::newRow("unknown command") << QStringList{QStringLiteral("list"), QStringLiteral("sort")} << QByteArray();
        QTest::newRow("no command") << QStringList{} << QByteArray();
        QTest::newRow("unknown option") << QStringList{QStringLiteral("list"), QStringLiteral("show"),
                                                       QStringLiteral("--colour")}
                                        << QByteArray();
        QTest::newRow("missing argument") << QStringList{QStringLiteral("list"), QStringLiteral("add")} << QByteArray();
        QTest::newRow("missing list file") << QStringList{QStringLiteral("list"), QStringLiteral("show"),
                                                          QStringLiteral("--list"), QStringLiteral("/nonexistent.dvl")}
                                           << QByteArray();
        QTest::newRow("missing import") << QStringList{QStringLiteral("list"), QStringLiteral("import"),
                                                       QStringLiteral("/nonexistent.txt")}
                                        << QByteArray();
        QTest::newRow("unknown target") << QStringList{QStringLiteral("run"), QStringLiteral("shutdown"),
                                                       QStringLiteral("nosuchpc"), QStringLiteral("--force")}
                                        << QByteArray();
        QTest::newRow("remove unknown") << QStringList{QStringLiteral("list"), QStringLiteral("remove"),
                                                       QStringLiteral("nosuchpc")}
                                        << QByteArray();
        QTest::newRow("unparsable options")
            << QStringList{QStringLiteral("list"), QStringLiteral("show")} << QByteArray("<Options><Defaults>");
        QTest::newRow("missing config folder")
            << QStringList{QStringLiteral("list"), QStringLiteral("show"), QStringLiteral("--config"),
                           QStringLiteral("/nonexistent")}
            << QByteArray();
        QTest::newRow("delay beyond Windows' limit")
            << QStringList{QStringLiteral("run"), QStringLiteral("shutdown"), QStringLiteral("--force"),
                           QStringLiteral("--delay"), QStringLiteral("601")}
            << QByteArray();
        QTest::newRow("delay not a number")
            << QStringList{QStringLiteral("run"), QStringLiteral("restart-wait"), QStringLiteral("--force"),
                           QStringLiteral("--delay"), QStringLiteral("soon")}
            << QByteArray();
        QTest::newRow("reason not of the form")
            << QStringList{QStringLiteral("run"), QStringLiteral("restart"), QStringLiteral("--force"),
                           QStringLiteral("--reason"), QStringLiteral("maintenance")}
            << QByteArray();
        QTest::newRow("missing password file")
            << QStringList{QStringLiteral("run"),         QStringLiteral("shutdown"), QStringLiteral("--force"),
                           QStringLiteral("--user"),      QStringLiteral("a"),        QStringLiteral("--password-file"),
                           QStringLiteral("/nonexistent")}
            << QByteArray();
        QTest::newRow("wait not a number") << QStringList{QStringLiteral("run"), QStringLiteral("wakeup"),
                                                          QStringLiteral("--wait"), QStringLiteral("soon")}
                                           << QByteArray();
        QTest::newRow("wait beyond an hour") << QStringList{QStringLiteral("run"), QStringLiteral("wakeup"),
                                                            QStringLiteral("--wait"), QStringLiteral("3601")}
                                             << QByteArray();
    }
    void badInputIsAUsageError() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, options);
        QTemporaryDir config;
        Prepare(config, Computer("127.0.75.2", 0, true));
        const QString optionsFile = SettingsFolder(config) + QStringLiteral("options.xml");
        if (!options.isEmpty())
            WriteFile(optionsFile, options);
        const QString listFile = SettingsFolder(config) + QStringLiteral("default.dvl");
        const QByteArray listBefore = Digest(listFile);
        const QByteArray optionsBefore = Digest(optionsFile);
        const TResult result = RunCli(config, arguments);
        QCOMPARE(result.ExitCode, 2);
        QVERIFY2(!result.Err.trimmed().isEmpty(), qPrintable(result.Out));
        QCOMPARE(Digest(listFile), listBefore);
        QCOMPARE(Digest(optionsFile), optionsBefore);
        QVERIFY(m_host.Shutdowns().isEmpty());
    }

    // Outcomes as they arrive, one JSON object each, the exit code, and the same entries in app.log.
    void runReportsEachOutcome_data() {
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QStringList>("succeeded");
        QTest::addColumn<QStringList>("failed");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("checked") << QStringList{} << QStringList{QStringLiteral("127.0.75.2")} << QStringList{} << 0;
        QTest::newRow("names") << QStringList{QStringLiteral("127.0.75.3"), QStringLiteral("127.0.75.5")}
                               << QStringList{QStringLiteral("127.0.75.3")} << QStringList{QStringLiteral("127.0.75.5")}
                               << 1;
        QTest::newRow("group") << QStringList{QStringLiteral("--group"), QStringLiteral("Lab")}
                               << QStringList{QStringLiteral("127.0.75.4")} << QStringList{QStringLiteral("127.0.75.5")}
                               << 1;
    }
    void runReportsEachOutcome() {
        QFETCH(QStringList, targets);
        QFETCH(QStringList, succeeded);
        QFETCH(QStringList, failed);
        QFETCH(int, exitCode);
        QTemporaryDir config;
        Prepare(config, Computer("127.0.75.2", 0, true) + Computer("127.0.75.3", 0, false) +
                            "<Group><Name>Lab</Name><Description/><Status>1</Status><UserConnectAs>0</UserConnectAs>"
                            "<List>" +
                            Computer("127.0.75.4", 0, false) + Computer("127.0.75.5", 0, false) + "</List></Group>");
        const QByteArray listBefore = Digest(SettingsFolder(config) + QStringLiteral("default.dvl"));
        const int shutdownsBefore = static_cast<int>(m_host.Shutdowns().size());
        const TResult result =
            RunCli(config, QStringList{QStringLiteral("run"), QStringLiteral("restart"), QStringLiteral("--json"),
                                       QStringLiteral("--user"), TTestHost::UserName} +
                               targets);
        QCOMPARE(result.ExitCode, exitCode);
        QStringList done;
        QStringList notDone;
        for (const QJsonObject& object : JsonLines(result.Out)) {
            if (object.contains(QStringLiteral("summary")))
                continue;
            QCOMPARE(object.value(QStringLiteral("action")).toString(), QStringLiteral("restart"));
            (object.value(QStringLiteral("result")).toString() == QLatin1String("done") ? done : notDone)
                .append(object.value(QStringLiteral("computer")).toString());
        }
        done.sort();
        notDone.sort();
        QCOMPARE(done, succeeded);
        QCOMPARE(notDone, failed);
        QCOMPARE(JsonLines(result.Out).last().value(QStringLiteral("failed")).toInt(), failed.size());
        QTRY_COMPARE_WITH_TIMEOUT(m_host.Shutdowns().size(), shutdownsBefore + succeeded.size(), 10000);
        // The run changes nothing in the list, check marks included.
        QCOMPARE(Digest(SettingsFolder(config) + QStringLiteral("default.dvl")), listBefore);
        QFile log(SettingsFolder(config) + QStringLiteral("app.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString logText = QString::fromUtf8(log.readAll());
        for (const QString& name : succeeded + failed)
            QVERIFY2(logText.contains(name), qPrintable(logText));
        QVERIFY(!logText.contains(TTestHost::Password));
    }

    // Delay, message and reason reach the computer with the call.
    void noticeReachesTheHost() {
        QTemporaryDir config;
        Prepare(config, Computer("127.0.75.3", 0, false));
        const int before = static_cast<int>(m_host.Shutdowns().size());
        const TResult result =
            RunCli(config, {QStringLiteral("run"), QStringLiteral("restart"), QStringLiteral("127.0.75.3"),
                            QStringLiteral("--user"), TTestHost::UserName, QStringLiteral("--delay"),
                            QStringLiteral("45"), QStringLiteral("--message"), QStringLiteral("Back in ten minutes"),
                            QStringLiteral("--reason"), QStringLiteral("p:2:17")});
        QCOMPARE(result.ExitCode, 0);
        const QList<TTestHost::TShutdown> calls = m_host.Shutdowns(before + 1);
        QCOMPARE(calls.size(), before + 1);
        QVERIFY(calls.last().Tracker);
        QCOMPARE(calls.last().Flags, 6);
        QCOMPARE(calls.last().Timeout, 45u);
        QCOMPARE(calls.last().Comment, QStringLiteral("Back in ten minutes"));
        QCOMPARE(calls.last().ReasonCode, 0x80020011u);
    }

    // A dry run lists the jobs with their user names, never a password, and calls nothing.
    void dryRunCallsNothing() {
        QTemporaryDir config;
        Prepare(config, Computer("127.0.75.2", 0, true) + Computer("127.0.75.3", 0, true), true);
        const int shutdownsBefore = static_cast<int>(m_host.Shutdowns().size());
        const TResult result =
            RunCli(config, {QStringLiteral("run"), QStringLiteral("shutdown"), QStringLiteral("--dry-run"),
                            QStringLiteral("--json"), QStringLiteral("--user"), QStringLiteral("ops")});
        QCOMPARE(result.ExitCode, 0);
        const QList<QJsonObject> jobs = JsonLines(result.Out);
        QCOMPARE(jobs.size(), 2);
        for (const QJsonObject& job : jobs) {
            QCOMPARE(job.value(QStringLiteral("result")).toString(), QStringLiteral("planned"));
            QVERIFY(job.value(QStringLiteral("message")).toString().contains(QLatin1String("ops")));
        }
        QVERIFY(!result.Out.contains(TTestHost::Password));
        QVERIFY(!result.Err.contains(TTestHost::Password));
        QTest::qWait(1000);
        QCOMPARE(m_host.Shutdowns().size(), shutdownsBefore);
        QVERIFY(!QFile::exists(SettingsFolder(config) + QStringLiteral("app.log")) ||
                QFileInfo(SettingsFolder(config) + QStringLiteral("app.log")).size() == 0);
    }

    // Options that ask to confirm each run: a script must say --force; nothing is called without it.
    void confirmationNeedsForce() {
        QTemporaryDir config;
        Prepare(config, Computer("127.0.75.2", 0, true), true);
        const int shutdownsBefore = static_cast<int>(m_host.Shutdowns().size());
        QCOMPARE(RunCli(config, {QStringLiteral("run"), QStringLiteral("shutdown"), QStringLiteral("--user"),
                                 TTestHost::UserName})
                     .ExitCode,
                 2);
        QCOMPARE(m_host.Shutdowns().size(), shutdownsBefore);
        QCOMPARE(RunCli(config, {QStringLiteral("run"), QStringLiteral("shutdown"), QStringLiteral("--force"),
                                 QStringLiteral("--user"), TTestHost::UserName})
                     .ExitCode,
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_host.Shutdowns().size(), shutdownsBefore + 1, 10000);
    }

    // Nothing is sent from here: one computer has no hardware address and the other is only planned. A
    // wake-up asks for no password and no confirmation, even for a computer that would prompt.
    void wakeUpSkipsComputersWithoutHardwareAddress() {
        QTemporaryDir config;
        Prepare(config,
                Computer("pc-asleep", 255, true) +
                    QByteArrayLiteral("<Computer><Name>pc-known</Name><MacAddress>00-16-3E-01-02-03</MacAddress>"
                                      "<Checked>0</Checked></Computer>"),
                true);
        const TResult run =
            RunCli(config, {QStringLiteral("run"), QStringLiteral("wakeup"), QStringLiteral("--json")}, false);
        QCOMPARE(run.ExitCode, 1);
        const QList<QJsonObject> outcomes = JsonLines(run.Out);
        QCOMPARE(outcomes.size(), 2);
        QCOMPARE(outcomes.at(0).value(QStringLiteral("computer")).toString(), QStringLiteral("pc-asleep"));
        QCOMPARE(outcomes.at(0).value(QStringLiteral("action")).toString(), QStringLiteral("wakeup"));
        QCOMPARE(outcomes.at(0).value(QStringLiteral("result")).toString(), QStringLiteral("skipped"));
        QVERIFY(
            outcomes.at(0).value(QStringLiteral("message")).toString().contains(QStringLiteral("hardware address")));
        QFile log(SettingsFolder(config) + QStringLiteral("app.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("pc-asleep: not woken up"));

        const TResult planned = RunCli(config,
                                       {QStringLiteral("run"), QStringLiteral("wakeup"), QStringLiteral("pc-known"),
                                        QStringLiteral("--dry-run"), QStringLiteral("--json")},
                                       false);
        QCOMPARE(planned.ExitCode, 0);
        QCOMPARE(JsonLines(planned.Out).at(0).value(QStringLiteral("result")).toString(), QStringLiteral("planned"));
    }

    // A computer that would prompt fails at once without a terminal, and never waits for input.
    void promptWithoutTerminalFailsFast() {
        QTemporaryDir config;
        Prepare(config, Computer("127.0.75.2", 255, true) + Computer("127.0.75.3", 255, true));
        QElapsedTimer timer;
        timer.start();
        const TResult result =
            RunCli(config, {QStringLiteral("run"), QStringLiteral("shutdown"), QStringLiteral("--json")}, false);
        QCOMPARE(result.ExitCode, 1);
        const QList<QJsonObject> outcomes = JsonLines(result.Out);
        QCOMPARE(outcomes.size(), 3); // two failures and the summary
        for (int i = 0; i < 2; ++i)
            QCOMPARE(outcomes.at(i).value(QStringLiteral("result")).toString(), QStringLiteral("failed"));
        QFile log(SettingsFolder(config) + QStringLiteral("app.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("127.0.75.3"));
    }

    // Changes to the list: written so that a second reading sees them; refused while the program holds
    // the settings folder, when reading still works.
    void listChangesRespectTheProgram() {
        QTemporaryDir config;
        Prepare(config, Computer("127.0.75.2", 0, true));
        QCOMPARE(RunCli(config, {QStringLiteral("list"), QStringLiteral("add"), QStringLiteral("pc-new"),
                                 QStringLiteral("--group"), QStringLiteral("Lab")})
                     .ExitCode,
                 0);
        QCOMPARE(
            RunCli(config, {QStringLiteral("list"), QStringLiteral("remove"), QStringLiteral("127.0.75.2")}).ExitCode,
            0);
        TResult shown = RunCli(config, {QStringLiteral("list"), QStringLiteral("show"), QStringLiteral("--json")});
        QCOMPARE(shown.ExitCode, 0);
        QJsonArray tree = QJsonDocument::fromJson(shown.Out.toUtf8()).array();
        QCOMPARE(tree.size(), 1);
        QCOMPARE(tree.at(0)[QStringLiteral("name")].toString(), QStringLiteral("Lab"));
        QCOMPARE(tree.at(0)[QStringLiteral("items")].toArray().at(0)[QStringLiteral("name")].toString(),
                 QStringLiteral("pc-new"));

        // This test process stands for the running program.
        QCOMPARE(Platform::LockSettingsFolder(SettingsFolder(config)), Platform::TSettingsLock::Held);
        const QString listFile = SettingsFolder(config) + QStringLiteral("default.dvl");
        const QByteArray before = Digest(listFile);
        const TResult refused = RunCli(config, {QStringLiteral("list"), QStringLiteral("add"), QStringLiteral("pc-2")});
        QCOMPARE(refused.ExitCode, 2);
        QVERIFY2(refused.Err.contains(QDir::toNativeSeparators(SettingsFolder(config))), qPrintable(refused.Err));
        QCOMPARE(Digest(listFile), before);
        shown = RunCli(config, {QStringLiteral("list"), QStringLiteral("show")});
        QCOMPARE(shown.ExitCode, 0);
        QVERIFY(shown.Out.contains(QLatin1String("pc-new")));
    }

    // One list, two front ends: what the program writes the command line reads as it is meant, and what the
    // command line changes the program reads back with the same meaning.
    void listsMeanTheSameInBothFrontEnds() {
        QTemporaryDir config;
        Prepare(config, QByteArray());
        const QString listFile = SettingsFolder(config) + QStringLiteral("default.dvl");
        TProgramOptions options;
        options.SettingsFolder = SettingsFolder(config);
        TScriptedPrompts prompts;
        TScriptedEntryDialogs dialogs;
        TScriptedFileDialogs fileDialogs;
        {
            TComputerList list(options, prompts, dialogs);
            TGroupObject* lab = list.NewGroup(QStringLiteral("Lab"), QStringLiteral("first floor"), nullptr);
            lab->SetUserConnectAs(ucFollowingUser);
            lab->SetUserName(QStringLiteral("admin"));
            lab->SetUserPassword(QStringLiteral("secret"));
            TComputerObject* pc1 = list.NewComputer(QStringLiteral("pc-1"), QStringLiteral("desk"), lab);
            pc1->SetChecked(true);
            pc1->SetMacAddress(QStringLiteral("00-16-3E-01-02-03"));
            list.NewComputer(QStringLiteral("pc-2"), QString(), nullptr);
            TComputerListFile(list, options, prompts, fileDialogs).SaveToFile(listFile);
        }

        const TResult shown =
            RunCli(config, {QStringLiteral("list"), QStringLiteral("show"), QStringLiteral("--json")});
        QCOMPARE(shown.ExitCode, 0);
        const QJsonArray tree = QJsonDocument::fromJson(shown.Out.toUtf8()).array();
        QCOMPARE(tree.size(), 2);
        const QJsonObject lab = tree.at(0).toObject();
        QCOMPARE(lab[QStringLiteral("name")].toString(), QStringLiteral("Lab"));
        QCOMPARE(lab[QStringLiteral("description")].toString(), QStringLiteral("first floor"));
        QCOMPARE(lab[QStringLiteral("credentials")].toString(), QStringLiteral("user"));
        const QJsonObject pc1 = lab[QStringLiteral("items")].toArray().at(0).toObject();
        QCOMPARE(pc1[QStringLiteral("name")].toString(), QStringLiteral("pc-1"));
        QCOMPARE(pc1[QStringLiteral("description")].toString(), QStringLiteral("desk"));
        QCOMPARE(pc1[QStringLiteral("check")].toString(), QStringLiteral("checked"));
        QCOMPARE(pc1[QStringLiteral("hardwareAddress")].toString(), QStringLiteral("00-16-3E-01-02-03"));
        QCOMPARE(tree.at(1)[QStringLiteral("name")].toString(), QStringLiteral("pc-2"));

        QCOMPARE(RunCli(config, {QStringLiteral("list"), QStringLiteral("add"), QStringLiteral("pc-3"),
                                 QStringLiteral("--group"), QStringLiteral("Lab")})
                     .ExitCode,
                 0);
        QCOMPARE(RunCli(config, {QStringLiteral("list"), QStringLiteral("remove"), QStringLiteral("pc-2")}).ExitCode,
                 0);
        TComputerList list(options, prompts, dialogs);
        TComputerListFile(list, options, prompts, fileDialogs).LoadFromFile(listFile);
        QCOMPARE(list.Items().size(), size_t(1));
        QVERIFY(list.Items().front()->IsGroup());
        const auto* group = static_cast<const TGroupObject*>(list.Items().front().get());
        QCOMPARE(group->Name(), QStringLiteral("Lab"));
        QCOMPARE(group->Description(), QStringLiteral("first floor"));
        QCOMPARE(group->UserConnectAs(), ucFollowingUser);
        QCOMPARE(group->UserName(), QStringLiteral("admin"));
        QCOMPARE(group->UserPassword(), QStringLiteral("secret"));
        QStringList computers;
        for (const auto& entry : group->Items())
            computers << entry->Name() + u'|' + entry->Description() + u'|' +
                             QString::number(entry->CheckState() == Qt::Checked);
        QCOMPARE(computers, (QStringList{QStringLiteral("pc-1|desk|1"), QStringLiteral("pc-3||0")}));
        QCOMPARE(static_cast<const TComputerObject*>(group->Items().front().get())->MacAddress(),
                 QStringLiteral("00-16-3E-01-02-03"));
    }

    // --config reads another settings folder: its options, its list, and its lock.
    void configFolderPointsElsewhere() {
        QTemporaryDir config;
        Prepare(config, Computer("127.0.75.2", 0, true));
        QTemporaryDir empty;
        const TResult shown = RunCli(empty, {QStringLiteral("list"), QStringLiteral("show"), QStringLiteral("--config"),
                                             SettingsFolder(config)});
        QCOMPARE(shown.ExitCode, 0);
        QVERIFY2(shown.Out.contains(QLatin1String("127.0.75.2")), qPrintable(shown.Out));
        QVERIFY(!QFileInfo::exists(SettingsFolder(empty) + QStringLiteral("default.dvl")));
    }

    // Export and import carry the list between files.
    void exportAndImport() {
        QTemporaryDir config;
        Prepare(config, Computer("127.0.75.2", 0, true) + Computer("127.0.75.3", 0, false));
        const QString text = config.path() + QStringLiteral("/names.txt");
        QCOMPARE(RunCli(config, {QStringLiteral("list"), QStringLiteral("export"), text}).ExitCode, 0);
        QFile exported(text);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        const QByteArray names = exported.readAll();
        QVERIFY(names.contains("127.0.75.2") && names.contains("127.0.75.3"));

        QTemporaryDir other;
        Prepare(other, {});
        QCOMPARE(RunCli(other, {QStringLiteral("list"), QStringLiteral("import"), text}).ExitCode, 0);
        const TResult shown = RunCli(other, {QStringLiteral("list"), QStringLiteral("show"), QStringLiteral("--json")});
        QCOMPARE(QJsonDocument::fromJson(shown.Out.toUtf8()).array().size(), 2);
    }
    // Reachability as the options check it (here a TCP connection), with a time for each answer.
    void probeReportsReachability_data() {
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QStringList>("reachable");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("all answer") << QStringList{QStringLiteral("127.0.75.2"), QStringLiteral("127.0.75.3")}
                                    << QStringList{QStringLiteral("127.0.75.2"), QStringLiteral("127.0.75.3")} << 0;
        QTest::newRow("one silent") << QStringList{QStringLiteral("--checked")}
                                    << QStringList{QStringLiteral("127.0.75.2")} << 1;
    }
    void probeReportsReachability() {
        QFETCH(QStringList, targets);
        QFETCH(QStringList, reachable);
        QFETCH(int, exitCode);
        QTemporaryDir config;
        Prepare(config,
                Computer("127.0.75.2", 0, true) + Computer("127.0.75.3", 0, false) + Computer("127.0.75.99", 0, true));
        const TResult result = RunCli(config, QStringList{QStringLiteral("probe"), QStringLiteral("--json")} + targets);
        QCOMPARE(result.ExitCode, exitCode);
        QStringList answered;
        for (const QJsonObject& object : JsonLines(result.Out)) {
            if (object.value(QStringLiteral("reachable")).toBool()) {
                answered.append(object.value(QStringLiteral("computer")).toString());
                QVERIFY(object.contains(QStringLiteral("ms")));
            }
        }
        answered.sort();
        QCOMPARE(answered, reachable);
    }

    // The address range search prints what answers, and with --add puts it into a group of the list.
    void scanFindsAndAdds() {
        QTemporaryDir config;
        Prepare(config, Computer("127.0.75.2", 0, false));
        TResult result = RunCli(config, {QStringLiteral("scan"), QStringLiteral("127.0.75.1-127.0.75.3")});
        QCOMPARE(result.ExitCode, 0);
        QStringList listed = result.Out.split(u'\n', Qt::SkipEmptyParts);
        listed.sort();
        QCOMPARE(listed, QStringList({QStringLiteral("127.0.75.1"), QStringLiteral("127.0.75.2"),
                                      QStringLiteral("127.0.75.3")}));

        result =
            RunCli(config, {QStringLiteral("scan"), QStringLiteral("127.0.75.2-127.0.75.7"), QStringLiteral("--live"),
                            QStringLiteral("--add"), QStringLiteral("--group"), QStringLiteral("Found")});
        QCOMPARE(result.ExitCode, 0);
        const TResult shown =
            RunCli(config, {QStringLiteral("list"), QStringLiteral("show"), QStringLiteral("--json")});
        const QJsonArray tree = QJsonDocument::fromJson(shown.Out.toUtf8()).array();
        QStringList found;
        for (const QJsonValue& entry : tree)
            if (entry[QStringLiteral("name")].toString() == QLatin1String("Found"))
                for (const QJsonValue& item : entry[QStringLiteral("items")].toArray())
                    found.append(item[QStringLiteral("name")].toString());
        found.sort();
        // 127.0.75.2 is in the list already; 127.0.75.6 and .7 have no host.
        QCOMPARE(found, QStringList({QStringLiteral("127.0.75.3"), QStringLiteral("127.0.75.4"),
                                     QStringLiteral("127.0.75.5")}));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "TestCli.moc"
