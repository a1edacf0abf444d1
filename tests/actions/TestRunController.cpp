#include "LangChanger.h"
#include "TEnglishTexts.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "TTestHost.h"
#include "uComputerList.h"
#include "uFormat.h"
#include "uProgramOptions.h"
#include "uRunController.h"
#include "uRunJob.h"
#include "uThreadPool.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Runs built from the checked computers of a list, with scripted prompts, carried out against
// simulated Windows hosts on 127.0.31.x:
//   127.0.31.1-40   answer, each Win32Shutdown takes 100 ms
//   127.0.31.41-60  answer at once
//   127.0.31.61     refuses the credentials
//   127.0.31.62     carries Win32Shutdown out but answers only after 8 s
//   127.0.31.63     takes requests and never answers
//   127.0.31.200    nothing listens: the reachability check gets no answer
class TestRunController : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void promptModeThreeComputers_data();
    void promptModeThreeComputers();
    void cancelledPromptQueuesAndLogsNothing();
    void singlePromptComputerIsNotAskedToReuse();
    void promptOnLastCheckedNodeIsNotAskedToReuse();
    void credentialsFollowEachComputer();
    void onlyEmptyGroupsCheckedMakesNoRun();
    void runVisitsCheckedComputersInTreeOrder();
    void runStaysWithinMaxThreads();
    void oneJobReportsOnceAndFinishesOnce();
    void oneWorkerKeepsQueueOrder();
    void secondRunQueuesBehindFirst();
    void logsEachOutcome();
    void withoutCheckUnreachableFailsWithRemoteError();
    void duplicateNamesMakeOneJobIgnoringCase();
    void duplicateComputerIsShutDownOnce();
    void confirmationNamesActionAndCount_data();
    void confirmationNamesActionAndCount();
    void stopDropsQueuedJobsAndLetsCallsEnd();
    void lateAnswerIsNotNoAnswer_data();
    void lateAnswerIsNotNoAnswer();
    void outcomeText_data();
    void outcomeText();
    void wakeUpSkipsComputersWithoutHardwareAddress();

private:
    TComputerObject* AddComputer(const QString& name, TUserConnectAs mode, TGroupObject* group = nullptr);
    void AddComputers(int first, int last);
    QStringList LogTexts() const;
    // Waits for the final line of count runs and returns the log, oldest line first.
    QStringList WaitForRuns(int count, int timeoutMs = 30000);

    TEnglishTexts m_english;
    TTestHost m_host;
    QTemporaryDir m_dir;
    TProgramOptions m_options;
    std::unique_ptr<TScriptedPrompts> m_prompts;
    TScriptedEntryDialogs m_dialogs;
    std::unique_ptr<TComputerList> m_list;
    std::unique_ptr<TAppLog> m_log;
    std::unique_ptr<TPoolOfThreads> m_pool;
    std::unique_ptr<TRunController> m_run;
    std::unique_ptr<TScriptedConnectAsPrompt> m_connectAs;
};

namespace {
const QString AllFinished = QStringLiteral("All jobs have finished.");
// A label longer than 63 characters cannot be put into a DNS query, so the resolver fails at once
// without sending anything: the test stays on this machine.
const QString Unresolvable = QString(70, u'x') + QStringLiteral(".invalid");
} // namespace

void TestRunController::initTestCase() {
    QVERIFY(m_english.IsLoaded());
    const QString error =
        m_host.Start({QStringLiteral("127.0.31.1-127.0.31.40,delay=100"), QStringLiteral("127.0.31.41-127.0.31.60"),
                      QStringLiteral("127.0.31.61,deny"), QStringLiteral("127.0.31.62,delay=8000"),
                      QStringLiteral("127.0.31.63,silent")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // The reachability check connects to the host's plain TCP port.
    m_options.DefaultCheckState = 1;
    m_options.DefaultTCPPort = m_host.TcpPort();
    m_options.RemotePort = m_host.HttpPort();
    m_options.RemoteTimeout = 10;
}

void TestRunController::init() {
    m_options.iMaxThreads = 10;
    m_options.DefaultCheckState = 1;
    m_options.RemoteTimeout = 10;
    m_options.bConfirmExecute = false;
    m_prompts = std::make_unique<TScriptedPrompts>();
    m_connectAs = std::make_unique<TScriptedConnectAsPrompt>();
    m_list = std::make_unique<TComputerList>(m_options, *m_prompts, m_dialogs);
    QFile::remove(m_dir.filePath(QStringLiteral("app.log")));
    m_log = std::make_unique<TAppLog>(m_dir.path() + u'/', nullptr);
    m_pool = std::make_unique<TPoolOfThreads>(m_options, RunJob);
    m_run = std::make_unique<TRunController>(*m_list, *m_pool, m_log.get(), m_options, *m_prompts, *m_connectAs);
    m_host.ResetPeakCalls();
}

void TestRunController::cleanup() {
    m_run.reset();
    m_pool.reset();
    m_log.reset();
    m_list.reset();
}

TComputerObject* TestRunController::AddComputer(const QString& name, TUserConnectAs mode, TGroupObject* group) {
    TComputerObject* computer = m_list->NewComputer(name, QString(), group);
    computer->SetUserConnectAs(mode);
    if (mode == ucFollowingUser) {
        computer->SetUserName(TTestHost::UserName);
        computer->SetUserPassword(TTestHost::Password);
    }
    computer->SetChecked(true);
    return computer;
}

void TestRunController::AddComputers(int first, int last) {
    for (int i = first; i <= last; ++i)
        AddComputer(QStringLiteral("127.0.31.%1").arg(i), ucFollowingUser);
}

QStringList TestRunController::LogTexts() const {
    QStringList texts;
    for (int i = m_log->Count() - 1; i >= 0; --i)
        texts.append(m_log->Item(i).Text);
    return texts;
}

QStringList TestRunController::WaitForRuns(int count, int timeoutMs) {
    if (!QTest::qWaitFor([&] { return LogTexts().count(AllFinished) >= count; }, timeoutMs))
        qWarning("the run did not finish in time");
    // Nothing more may follow.
    QTest::qWait(100);
    return LogTexts();
}

void TestRunController::promptModeThreeComputers_data() {
    QTest::addColumn<TPromptResult>("reuse");
    QTest::addColumn<QStringList>("expectedUsers");
    QTest::newRow("yes: one prompt for all") << TPromptResult::Yes << QStringList{"u1", "u1", "u1"};
    QTest::newRow("no: a prompt each, one question") << TPromptResult::No << QStringList{"u1", "u2", "u3"};
}

void TestRunController::promptModeThreeComputers() {
    QFETCH(TPromptResult, reuse);
    QFETCH(QStringList, expectedUsers);
    for (const char* name : {"pc1", "pc2", "pc3"})
        AddComputer(QString::fromLatin1(name), ucPromptUser);
    m_prompts->Answer(reuse);
    for (int i = 1; i <= 3; ++i)
        m_connectAs->Enter(QStringLiteral("u%1").arg(i), QStringLiteral("p%1").arg(i));

    const auto jobs = m_run->BuildRun(acShutdown);
    QVERIFY(jobs);
    QCOMPARE(m_connectAs->Calls(), reuse == TPromptResult::Yes ? 1 : 3);
    QCOMPARE(m_prompts->Asked().size(), 1);
    QCOMPARE(m_prompts->Asked().at(0).Text, LangStr(QStringLiteral("sUseCredentialsForAll")));
    QCOMPARE(m_prompts->Asked().at(0).Caption, QStringLiteral("Warning"));
    QCOMPARE(m_prompts->Asked().at(0).Buttons, TPromptButtons::YesNo);
    QCOMPARE(m_prompts->Asked().at(0).Icon, TPromptIcon::Warning);
    QCOMPARE(m_connectAs->Subjects().first(), QStringLiteral("Connect to the computer pc1 as:"));
    QStringList users;
    for (const auto& job : *jobs) {
        users.append(job->UserName);
        QCOMPARE(job->Password, QString(job->UserName).replace(u'u', u'p'));
    }
    QCOMPARE(users, expectedUsers);
}

void TestRunController::cancelledPromptQueuesAndLogsNothing() {
    AddComputers(41, 41);
    AddComputer(QStringLiteral("127.0.31.42"), ucPromptUser);
    AddComputer(QStringLiteral("127.0.31.43"), ucPromptUser);
    AddComputer(QStringLiteral("127.0.31.44"), ucPromptUser);
    m_connectAs->Enter(QStringLiteral("u1"), QStringLiteral("p1"));
    m_connectAs->Cancel();
    m_prompts->Answer(TPromptResult::No);

    const int before = m_host.Shutdowns().size();
    m_run->Execute(acShutdown);
    QCOMPARE(m_connectAs->Calls(), 2);
    QTest::qWait(300);
    QCOMPARE(m_log->Count(), 0);
    QVERIFY(!QFile::exists(m_log->FileName()));
    QCOMPARE(m_host.Shutdowns().size(), before);
}

void TestRunController::singlePromptComputerIsNotAskedToReuse() {
    AddComputer(QStringLiteral("127.0.31.45"), ucPromptUser);
    m_connectAs->Enter(TTestHost::UserName, TTestHost::Password);
    m_run->Execute(acRestart);
    QCOMPARE(m_connectAs->Calls(), 1);
    QVERIFY(m_prompts->Asked().isEmpty());
    QCOMPARE(WaitForRuns(1).value(1), QStringLiteral("127.0.31.45: Restart carried out successfully."));
}

void TestRunController::promptOnLastCheckedNodeIsNotAskedToReuse() {
    // Tree order: the group "g" (checked with its computers), then "a-pc", then "z-pc" in prompt mode.
    TGroupObject* group = m_list->NewGroup(QStringLiteral("g"), QString(), nullptr);
    AddComputer(QStringLiteral("a-pc"), ucCurrentUser, group);
    AddComputer(QStringLiteral("z-pc"), ucPromptUser, group);
    m_connectAs->Enter(QStringLiteral("u"), QStringLiteral("p"));
    auto jobs = m_run->BuildRun(acShutdown);
    QVERIFY(jobs);
    QCOMPARE(jobs->size(), size_t(2));
    QVERIFY(m_prompts->Asked().isEmpty());
    QCOMPARE(jobs->at(1)->UserName, QStringLiteral("u"));
}

void TestRunController::credentialsFollowEachComputer() {
    AddComputer(QStringLiteral("a-current"), ucCurrentUser);
    AddComputer(QStringLiteral("b-following"), ucFollowingUser);
    AddComputer(QStringLiteral("c-prompt"), ucPromptUser);
    AddComputer(QStringLiteral("d-following"), ucFollowingUser);
    AddComputer(QStringLiteral("e-prompt"), ucPromptUser);
    m_connectAs->Enter(QStringLiteral("entered"), QStringLiteral("secret"));
    m_prompts->Answer(TPromptResult::Yes);
    auto jobs = m_run->BuildRun(acRestart);
    QVERIFY(jobs);
    QStringList users;
    for (const auto& job : *jobs) {
        QCOMPARE(job->Action, qint32(acRestart));
        QCOMPARE(job->Result, qint32(jrDone));
        QVERIFY(!job->Alive);
        QVERIFY(job->Address.isEmpty());
        users.append(job->Name + u'=' + job->UserName + u'/' + job->Password);
    }
    const QString host = TTestHost::UserName + u'/' + TTestHost::Password;
    QCOMPARE(users, (QStringList{"a-current=/", "b-following=" + host, "c-prompt=entered/secret", "d-following=" + host,
                                 "e-prompt=entered/secret"}));
}

void TestRunController::onlyEmptyGroupsCheckedMakesNoRun() {
    m_list->NewGroup(QStringLiteral("empty"), QString(), nullptr)->SetChecked(true);
    AddComputer(QStringLiteral("127.0.31.41"), ucFollowingUser)->SetChecked(false);
    const int before = m_host.Shutdowns().size();
    m_run->Execute(acShutdown);
    QTest::qWait(300);
    QCOMPARE(m_log->Count(), 0);
    QCOMPARE(m_host.Shutdowns().size(), before);
}

void TestRunController::runVisitsCheckedComputersInTreeOrder() {
    TGroupObject* group = m_list->NewGroup(QStringLiteral("Lab"), QString(), nullptr);
    AddComputer(QStringLiteral("zeta"), ucCurrentUser);
    AddComputer(QStringLiteral("Beta"), ucCurrentUser, group);
    AddComputer(QStringLiteral("alpha"), ucCurrentUser, group);
    AddComputer(QStringLiteral("gamma"), ucCurrentUser)->SetChecked(false);
    AddComputer(QStringLiteral("Delta"), ucCurrentUser);
    auto jobs = m_run->BuildRun(acShutdown);
    QVERIFY(jobs);
    QStringList names;
    for (const auto& job : *jobs)
        names.append(job->Name);
    QCOMPARE(names, (QStringList{"alpha", "Beta", "Delta", "zeta"}));
}

void TestRunController::runStaysWithinMaxThreads() {
    AddComputers(1, 25);
    const int before = m_host.Shutdowns().size();
    m_run->Execute(acShutdown);
    const QStringList log = WaitForRuns(1);
    QCOMPARE(log.size(), 28);
    QCOMPARE(log.first(), QStringLiteral("Shut down started for 25 computers."));
    QCOMPARE(log.mid(26),
             (QStringList{"Run summary: 25 succeeded, 0 failed, 0 without answer, 0 not attempted.", AllFinished}));
    QCOMPARE(log.filter(QStringLiteral("carried out successfully")).size(), 25);
    const int peak = m_host.PeakCalls();
    QVERIFY2(peak <= 10 && peak > 1, qPrintable(QString::number(peak)));
    const auto shutdowns = m_host.Shutdowns(before + 25);
    QCOMPARE(shutdowns.size(), before + 25);
    for (const auto& shutdown : shutdowns.mid(before))
        QCOMPARE(shutdown.Flags, 12);
}

void TestRunController::oneJobReportsOnceAndFinishesOnce() {
    AddComputers(46, 46);
    const int before = m_host.Shutdowns().size();
    m_run->Execute(acRestart);
    QCOMPARE(WaitForRuns(1),
             (QStringList{"Restart started for 1 computer.", "127.0.31.46: Restart carried out successfully.",
                          "Run summary: 1 succeeded, 0 failed, 0 without answer, 0 not attempted.", AllFinished}));
    const auto shutdowns = m_host.Shutdowns(before + 1);
    QCOMPARE(shutdowns.size(), before + 1);
    QCOMPARE(shutdowns.last().Address, QStringLiteral("127.0.31.46"));
    QCOMPARE(shutdowns.last().Flags, 6);
}

void TestRunController::oneWorkerKeepsQueueOrder() {
    m_options.iMaxThreads = 1;
    AddComputers(47, 52);
    const int before = m_host.Shutdowns().size();
    m_run->Execute(acShutdown);
    const QStringList log = WaitForRuns(1);
    QStringList expected;
    for (int i = 47; i <= 52; ++i)
        expected.append(QStringLiteral("127.0.31.%1").arg(i));
    QStringList reached;
    for (const auto& shutdown : m_host.Shutdowns(before + 6).mid(before))
        reached.append(shutdown.Address);
    QCOMPARE(reached, expected);
    QCOMPARE(log.mid(1, 6).replaceInStrings(QStringLiteral(": Shut down carried out successfully."), QString()),
             expected);
}

void TestRunController::secondRunQueuesBehindFirst() {
    m_options.iMaxThreads = 2;
    AddComputers(1, 6);
    m_run->Execute(acShutdown);
    for (TPreObject* entry : m_list->TreeOrder())
        entry->SetChecked(false);
    AddComputers(53, 55);
    m_run->Execute(acRestart);

    const QStringList log = WaitForRuns(1);
    QCOMPARE(log.size(), 13);
    QCOMPARE(log.at(0), QStringLiteral("Shut down started for 6 computers."));
    QCOMPARE(log.at(1), QStringLiteral("Restart started for 3 computers."));
    QCOMPARE(log.filter(QStringLiteral("Shut down carried out successfully")).size(), 6);
    QCOMPARE(log.filter(QStringLiteral("Restart carried out successfully")).size(), 3);
    // The second run joins the first: one summary for both.
    QCOMPARE(log.mid(11),
             (QStringList{"Run summary: 9 succeeded, 0 failed, 0 without answer, 0 not attempted.", AllFinished}));
    // The second run's jobs wait behind the first's: the first four shut-downs end before any restart.
    QCOMPARE(log.mid(2, 4).filter(QStringLiteral("Shut down")).size(), 4);
    QVERIFY(m_host.PeakCalls() <= 2);
}

void TestRunController::logsEachOutcome() {
    AddComputers(56, 56);
    AddComputers(61, 61);
    AddComputers(200, 200);
    AddComputer(Unresolvable, ucFollowingUser);
    m_run->Execute(acShutdown);
    QStringList log = WaitForRuns(1);
    QCOMPARE(log.size(), 7);
    QCOMPARE(log.first(), QStringLiteral("Shut down started for 4 computers."));
    QCOMPARE(log.at(5), QStringLiteral("Run summary: 1 succeeded, 3 failed, 0 without answer, 0 not attempted."));
    QCOMPARE(m_log->Item(m_log->Count() - 1).Level, TAppLogLevel::Info);
    QCOMPARE(m_log->Item(0).Level, TAppLogLevel::Info);
    QCOMPARE(m_log->Item(1).Level, TAppLogLevel::Info);
    QStringList outcomes = log.mid(1, 4);
    outcomes.sort();
    // Sorted as text: 127.0.31.200, 127.0.31.56, 127.0.31.61, the unresolvable name.
    const QString denied = outcomes.at(2);
    QVERIFY2(denied.startsWith(QStringLiteral("127.0.31.61: Shut down failed. ")) && denied.size() > 32,
             qPrintable(denied));
    QCOMPARE(outcomes.at(0), QStringLiteral("127.0.31.200: Shut down not carried out. The computer does not answer."));
    QCOMPARE(outcomes.at(1), QStringLiteral("127.0.31.56: Shut down carried out successfully."));
    QCOMPARE(outcomes.at(3), Unresolvable + QStringLiteral(": Shut down not carried out. The IP address of the "
                                                           "computer could not be found."));
    for (int row = 2; row <= 5; ++row) {
        const bool success = m_log->Item(row).Text.contains(QStringLiteral("successfully"));
        QCOMPARE(m_log->Item(row).Level, success ? TAppLogLevel::Success : TAppLogLevel::Error);
    }
}

void TestRunController::withoutCheckUnreachableFailsWithRemoteError() {
    m_options.DefaultCheckState = -1;
    AddComputers(200, 200);
    m_run->Execute(acShutdown);
    const QString line = WaitForRuns(1).value(1);
    QVERIFY2(line.startsWith(QStringLiteral("127.0.31.200: Shut down failed. ")) && line.size() > 33, qPrintable(line));
}

void TestRunController::duplicateNamesMakeOneJobIgnoringCase() {
    // Tree order: the group "g" with "pc-A", then "PC-a" and "pc-b" at the top.
    TGroupObject* group = m_list->NewGroup(QStringLiteral("g"), QString(), nullptr);
    AddComputer(QStringLiteral("pc-A"), ucPromptUser, group);
    AddComputer(QStringLiteral("PC-a"), ucPromptUser);
    AddComputer(QStringLiteral("pc-b"), ucCurrentUser);
    m_connectAs->Enter(QStringLiteral("u"), QStringLiteral("p"));
    m_prompts->Answer(TPromptResult::No);
    auto jobs = m_run->BuildRun(acShutdown);
    QVERIFY(jobs);
    QStringList names;
    for (const auto& job : *jobs)
        names.append(job->Name);
    QCOMPARE(names, (QStringList{"pc-A", "pc-b"}));
    // The duplicate is not asked for: one prompt, though the operator chose to be asked each time.
    QCOMPARE(m_connectAs->Calls(), 1);
}

void TestRunController::duplicateComputerIsShutDownOnce() {
    TGroupObject* group = m_list->NewGroup(QStringLiteral("g"), QString(), nullptr);
    AddComputer(QStringLiteral("127.0.31.57"), ucFollowingUser, group);
    AddComputers(57, 58);
    AddComputer(QStringLiteral("127.0.31.58"), ucFollowingUser, group);
    const int before = m_host.Shutdowns().size();
    m_run->Execute(acShutdown);
    const QStringList log = WaitForRuns(1);
    QCOMPARE(log.mid(0, 2),
             (QStringList{"Shut down started for 2 computers.",
                          "Computers listed more than once: 2 skipped; each computer is contacted once."}));
    QCOMPARE(log.filter(QStringLiteral("carried out successfully")).size(), 2);
    QStringList reached;
    for (const auto& shutdown : m_host.Shutdowns(before + 2).mid(before))
        reached.append(shutdown.Address);
    reached.sort();
    QCOMPARE(reached, (QStringList{"127.0.31.57", "127.0.31.58"}));
}

void TestRunController::confirmationNamesActionAndCount_data() {
    QTest::addColumn<qint32>("action");
    QTest::addColumn<int>("computers");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<TPromptResult>("answer");
    QTest::addColumn<QString>("question");
    const QString names = "127.0.31.41\r\n127.0.31.42\r\n127.0.31.43\r\n127.0.31.44\r\n127.0.31.45";
    QTest::newRow("seven: five names and the rest counted")
        << qint32(acShutdown) << 7 << true << TPromptResult::Yes
        << "Shut down 7 computers?\r\n\r\n" + names + "\r\n... and 2 more";
    QTest::newRow("one restart") << qint32(acRestart) << 1 << true << TPromptResult::Yes
                                 << "Restart 1 computer?\r\n\r\n127.0.31.41";
    QTest::newRow("declined") << qint32(acShutdown) << 5 << true << TPromptResult::No
                              << "Shut down 5 computers?\r\n\r\n" + names;
    QTest::newRow("switched off") << qint32(acShutdown) << 2 << false << TPromptResult::Yes << QString();
}

void TestRunController::confirmationNamesActionAndCount() {
    QFETCH(qint32, action);
    QFETCH(int, computers);
    QFETCH(bool, confirm);
    QFETCH(TPromptResult, answer);
    QFETCH(QString, question);
    m_options.bConfirmExecute = confirm;
    AddComputers(41, 40 + computers);
    if (confirm)
        m_prompts->Answer(answer);
    const int before = m_host.Shutdowns().size();
    m_run->Execute(action);
    m_options.bConfirmExecute = false;
    if (confirm) {
        QCOMPARE(m_prompts->Asked().size(), 1);
        QCOMPARE(m_prompts->Asked().at(0).Text, question);
        QCOMPARE(m_prompts->Asked().at(0).Caption, QStringLiteral("Warning"));
        QCOMPARE(m_prompts->Asked().at(0).Buttons, TPromptButtons::YesNo);
    }
    if (answer == TPromptResult::No) {
        QVERIFY(!m_run->IsRunning());
        QTest::qWait(300);
        QCOMPARE(m_log->Count(), 0);
        QCOMPARE(m_host.Shutdowns().size(), before);
        return;
    }
    QCOMPARE(WaitForRuns(1).filter(QStringLiteral("carried out successfully")).size(), computers);
}

void TestRunController::stopDropsQueuedJobsAndLetsCallsEnd() {
    m_options.iMaxThreads = 1;
    AddComputers(1, 10);
    QSignalSpy changed(m_run.get(), &TRunController::RunChanged);
    const int before = m_host.Shutdowns().size();
    m_run->Execute(acShutdown);
    QVERIFY(m_run->IsRunning());
    QCOMPARE(m_run->ProgressText(), QStringLiteral("Shut down: 0 of 10 done, 0 failed"));
    QTRY_VERIFY_WITH_TIMEOUT(m_run->Progress().Done() >= 1, 20000);
    m_run->Stop();
    const QStringList log = WaitForRuns(1);
    QVERIFY(!m_run->IsRunning());
    const TRunProgress progress = m_run->Progress();
    QCOMPARE(progress.Succeeded + progress.NotAttempted, 10);
    QVERIFY2(progress.NotAttempted >= 1, qPrintable(QString::number(progress.NotAttempted)));
    QVERIFY(log.contains(QStringLiteral("Run stopped: waiting computers are dropped, calls under way are let end.")));
    const QStringList dropped = log.filter(QStringLiteral("not attempted. The run was stopped."));
    QCOMPARE(dropped.size(), progress.NotAttempted);
    // Dropped in queue order, which is tree order: the names sort as text.
    QCOMPARE(dropped.last(), QStringLiteral("127.0.31.9: Shut down not attempted. The run was stopped."));
    QCOMPARE(log.mid(log.size() - 2),
             (QStringList{QStringLiteral("Run summary: %1 succeeded, 0 failed, 0 without answer, %2 not attempted.")
                              .arg(progress.Succeeded)
                              .arg(progress.NotAttempted),
                          AllFinished}));
    QCOMPARE(m_run->ProgressText(), QStringLiteral("Shut down: 10 of 10 done, 0 failed"));
    QCOMPARE(m_host.Shutdowns().size() - before, progress.Succeeded);
    QVERIFY(changed.size() >= 3); // started, a report, stopped, ended
}

// A request that went out and was not answered in time may still be carried out: rerunning it would
// act twice. A computer that never got the request is an error as before.
void TestRunController::lateAnswerIsNotNoAnswer_data() {
    QTest::addColumn<int>("host");
    QTest::addColumn<TAppLogLevel>("level");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("carriedOut");
    QTest::newRow("answer after the time-out")
        << 62 << TAppLogLevel::Warning
        << "127.0.31.62: Shut down requested, but the outcome is unknown. 127.0.31.62 did not answer on port %1 "
           "within 3 seconds. The computer may carry it out."
        << true;
    QTest::newRow("query never answered")
        << 63 << TAppLogLevel::Error
        << "127.0.31.63: Shut down failed. 127.0.31.63 did not answer on port %1 within 3 seconds." << false;
    QTest::newRow("nothing listens") << 200 << TAppLogLevel::Error
                                     << "127.0.31.200: Shut down failed. 127.0.31.200 refused the connection on port "
                                        "%1: WinRM is not enabled on that computer. Enable it there with "
                                        "Enable-PSRemoting or winrm quickconfig."
                                     << false;
}

void TestRunController::lateAnswerIsNotNoAnswer() {
    QFETCH(int, host);
    QFETCH(TAppLogLevel, level);
    QFETCH(QString, text);
    QFETCH(bool, carriedOut);
    m_options.DefaultCheckState = -1;
    m_options.RemoteTimeout = 3; // leaves the query time to pass on a busy machine
    AddComputers(host, host);
    const int before = m_host.Shutdowns().size();
    m_run->Execute(acShutdown);
    const QStringList log = WaitForRuns(1);
    const QString expected = text.arg(m_host.HttpPort());
    QVERIFY2(log.value(1).startsWith(expected), qPrintable(log.value(1)));
    QCOMPARE(m_log->Item(m_log->Count() - 2).Level, level);
    const bool warning = level == TAppLogLevel::Warning;
    QCOMPARE(log.value(2), QStringLiteral("Run summary: 0 succeeded, %1 failed, %2 without answer, 0 not attempted.")
                               .arg(warning ? 0 : 1)
                               .arg(warning ? 1 : 0));
    QCOMPARE(m_host.Shutdowns(before + (carriedOut ? 1 : 0), carriedOut ? 5000 : 500).size() - before,
             carriedOut ? 1 : 0);
}

void TestRunController::outcomeText_data() {
    QTest::addColumn<qint32>("action");
    QTest::addColumn<qint32>("result");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TAppLogLevel>("level");
    const auto Error = TAppLogLevel::Error;
    QTest::newRow("done") << qint32(acShutdown) << qint32(jrDone) << ""
                          << "pc: Shut down carried out successfully." << TAppLogLevel::Success;
    QTest::newRow("error text wins over code") << qint32(acRestart) << qint32(jrHostNotActive) << "Boom"
                                               << "pc: Restart failed. Boom" << Error;
    QTest::newRow("not active") << qint32(acRestart) << qint32(jrHostNotActive) << ""
                                << "pc: Restart not carried out. The computer does not answer." << Error;
    QTest::newRow("no address") << qint32(acShutdown) << qint32(jrNoAddress) << ""
                                << "pc: Shut down not carried out. The IP address of the computer could not be found."
                                << Error;
    QTest::newRow("no operating system") << qint32(acShutdown) << qint32(jrActionFailed) << ""
                                         << "pc: Shut down failed. The computer offered no operating system to act on."
                                         << Error;
    QTest::newRow("sent, not answered in time")
        << qint32(acRestart) << qint32(jrNoAnswer) << "pc did not answer on port 5985 within 2 seconds."
        << "pc: Restart requested, but the outcome is unknown. pc did not answer on port 5985 within 2 seconds. The "
           "computer may carry it out."
        << TAppLogLevel::Warning;
    QTest::newRow("unknown code is a failure")
        << qint32(acShutdown) << qint32(7) << ""
        << "pc: Shut down failed. The computer offered no operating system to act on." << Error;
}

void TestRunController::outcomeText() {
    QFETCH(qint32, action);
    QFETCH(qint32, result);
    QFETCH(QString, error);
    QFETCH(QString, text);
    QFETCH(TAppLogLevel, level);
    TDataJob job;
    job.Name = QStringLiteral("pc");
    job.Action = action;
    job.Result = result;
    job.ErrorMessage = error;
    QCOMPARE(TRunController::JobOutcomeText(job), text);
    QCOMPARE(TRunController::JobOutcomeLevel(job), level);
}

// Nothing is sent here: every computer lacks a usable address (waking real ones is tested in a namespace).
// A wake-up asks neither for an account nor for a confirmation.
void TestRunController::wakeUpSkipsComputersWithoutHardwareAddress() {
    m_options.bConfirmExecute = true;
    AddComputer(QStringLiteral("pc-none"), ucPromptUser);
    AddComputer(QStringLiteral("pc-garbled"), ucInherited)->SetMacAddress(QStringLiteral("00:1a:2b"));
    m_run->Execute(acWakeUp);
    const QStringList log = WaitForRuns(1);
    QVERIFY(m_prompts->Asked().isEmpty());
    QCOMPARE(m_connectAs->Calls(), 0);
    for (const QString name : {"pc-none", "pc-garbled"}) {
        const QString line = Format(LangStr(QStringLiteral("sWakeUpNoHardwareAddress")), {name});
        QVERIFY2(log.contains(line), qPrintable(log.join(u'\n')));
        for (int i = 0; i < m_log->Count(); ++i) {
            if (m_log->Item(i).Text == line)
                QCOMPARE(m_log->Item(i).Level, TAppLogLevel::Warning);
        }
    }
    QCOMPARE(m_run->Progress().NotAttempted, 2);
    QCOMPARE(m_run->Progress().Failed, 0);
    QCOMPARE(m_run->Progress().Succeeded, 0);
}

QTEST_GUILESS_MAIN(TestRunController)
#include "TestRunController.moc"
