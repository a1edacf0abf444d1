#include "TEnglishTexts.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "TTestHost.h"
#include "uComputerList.h"
#include "uProgramOptions.h"
#include "uRunController.h"
#include "uRunJob.h"
#include "uThreadPool.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// "Restart and wait until back" against simulated hosts on 127.0.34.x whose boot time changes after
// an accepted restart:
//   127.0.34.1        drops every request for a while after a restart (set per case), then boots anew
//   127.0.34.2        never comes back
//   127.0.34.3        refuses the credentials: its boot time cannot be read
//   127.0.34.10-29    come back 3 s after a restart
//   127.0.34.30       accepts shutdowns at once
//   127.0.34.31       accepts a restart and keeps running: its boot time stays
class TestRestartWait : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void backAfterTheRestartsDuration_data();
    void backAfterTheRestartsDuration();
    void computerThatNeverComesBackHitsTheLimit();
    void unreadableBootTimeRestartsNothing();
    void stopEndsTheWait();
    void stopDuringALookEndsTheWaitToo();
    void waitingComputersHoldNoWorker();

private:
    void AddComputer(const QString& name);
    QStringList LogTexts() const;
    // The newest log line that starts so; empty when there is none.
    QString LogLine(const QString& start) const;

    TEnglishTexts m_english;
    TTestHost m_host;
    QTemporaryDir m_dir;
    TProgramOptions m_options;
    TScriptedPrompts m_prompts;
    TScriptedEntryDialogs m_dialogs;
    TScriptedConnectAsPrompt m_connectAs;
    std::unique_ptr<TComputerList> m_list;
    std::unique_ptr<TAppLog> m_log;
    std::unique_ptr<TPoolOfThreads> m_pool;
    std::unique_ptr<TRunController> m_run;
};

namespace {
// Polls come this often, so that the measured durations are close to the hosts' own.
constexpr int WaitIntervalMs = 100;
} // namespace

void TestRestartWait::initTestCase() {
    QVERIFY(m_english.IsLoaded());
    const QString error =
        m_host.Start({QStringLiteral("127.0.34.1,reboot=1000"), QStringLiteral("127.0.34.2,noreturn"),
                      QStringLiteral("127.0.34.3,deny"), QStringLiteral("127.0.34.10-127.0.34.29,reboot=3000"),
                      QStringLiteral("127.0.34.30"), QStringLiteral("127.0.34.31")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_options.DefaultCheckState = 1;
    m_options.DefaultTCPPort = m_host.TcpPort();
    m_options.RemotePort = m_host.HttpPort();
    m_options.RemoteTimeout = 10;
    m_options.bConfirmExecute = false;
}

void TestRestartWait::init() {
    m_options.iMaxThreads = 10;
    m_options.iRestartWaitLimit = 60;
    m_options.RemoteTimeout = 10;
    m_list = std::make_unique<TComputerList>(m_options, m_prompts, m_dialogs);
    m_log = std::make_unique<TAppLog>(m_dir.path() + u'/', nullptr);
    m_pool = std::make_unique<TPoolOfThreads>(m_options, RunJob);
    m_pool->SetWaitInterval(WaitIntervalMs);
    m_run = std::make_unique<TRunController>(*m_list, *m_pool, m_log.get(), m_options, m_prompts, m_connectAs);
}

void TestRestartWait::cleanup() {
    m_run.reset();
    m_pool.reset();
    m_log.reset();
    m_list.reset();
}

void TestRestartWait::AddComputer(const QString& name) {
    TComputerObject* computer = m_list->NewComputer(name, QString(), nullptr);
    computer->SetUserConnectAs(ucFollowingUser);
    computer->SetUserName(TTestHost::UserName);
    computer->SetUserPassword(TTestHost::Password);
    computer->SetChecked(true);
}

QStringList TestRestartWait::LogTexts() const {
    QStringList texts;
    for (int i = m_log->Count() - 1; i >= 0; --i)
        texts.append(m_log->Item(i).Text);
    return texts;
}

QString TestRestartWait::LogLine(const QString& start) const {
    for (int i = 0; i < m_log->Count(); ++i) { // newest first
        if (m_log->Item(i).Text.startsWith(start))
            return m_log->Item(i).Text;
    }
    return {};
}

void TestRestartWait::backAfterTheRestartsDuration_data() {
    QTest::addColumn<int>("rebootMs");
    QTest::newRow("back within a second") << 800;
    QTest::newRow("back after three seconds") << 3000;
    QTest::newRow("back after five seconds") << 5000;
}

void TestRestartWait::backAfterTheRestartsDuration() {
    QFETCH(int, rebootMs);
    QVERIFY(m_host.SetBehaviour(QStringLiteral("127.0.34.1,reboot=%1").arg(rebootMs)));
    const QString name = QStringLiteral("127.0.34.1");
    AddComputer(name);
    const int before = int(m_host.Shutdowns().size());
    m_run->Execute(acRestartWait);
    QTRY_VERIFY_WITH_TIMEOUT(!LogLine(name + QStringLiteral(": the restart was accepted")).isEmpty(), 20000);
    // Meanwhile the tree shows the computer as gone.
    QCOMPARE(m_list->FindComputer(name)->Status(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!m_run->IsRunning(), 30000);
    const QList<TTestHost::TShutdown> calls = m_host.Shutdowns(before + 1);
    QCOMPARE(calls.size(), before + 1);
    QCOMPARE(calls.last().Flags, 6); // forced reboot
    const QRegularExpressionMatch back =
        QRegularExpression(QStringLiteral("^127\\.0\\.34\\.1: back after (\\d+) s\\.$")).match(LogLine(name));
    QVERIFY2(back.hasMatch(), qPrintable(LogTexts().join(u'\n')));
    // Rounded to seconds, plus at most one poll interval and a busy machine's slack.
    const int seconds = back.captured(1).toInt();
    QVERIFY2(seconds >= (rebootMs + 500) / 1000 - 1 && seconds <= (rebootMs + 500) / 1000 + 2,
             qPrintable(back.captured(0)));
    QCOMPARE(m_list->FindComputer(name)->Status(), 1);
    QCOMPARE(m_run->Progress().Succeeded, 1);
    QVERIFY(
        LogTexts().contains(QStringLiteral("Run summary: 1 succeeded, 0 failed, 0 without answer, 0 not attempted.")));
}

void TestRestartWait::computerThatNeverComesBackHitsTheLimit() {
    m_options.iRestartWaitLimit = 2;
    const QString name = QStringLiteral("127.0.34.2");
    AddComputer(name);
    QElapsedTimer clock;
    clock.start();
    m_run->Execute(acRestartWait);
    QTRY_VERIFY_WITH_TIMEOUT(!m_run->IsRunning(), 30000);
    QVERIFY(clock.elapsed() >= 2000);
    QCOMPARE(LogLine(name), QStringLiteral("127.0.34.2: restarted, but did not come back within the limit."));
    bool errorLogged = false;
    for (int i = 0; i < m_log->Count(); ++i)
        errorLogged |= m_log->Item(i).Text.startsWith(name + QStringLiteral(": restarted")) &&
                       m_log->Item(i).Level == TAppLogLevel::Error;
    QVERIFY(errorLogged);
    QCOMPARE(m_run->Progress().Failed, 1);
    QCOMPARE(m_run->Progress().Done(), m_run->Progress().Total);
}

void TestRestartWait::unreadableBootTimeRestartsNothing() {
    AddComputer(QStringLiteral("127.0.34.3"));
    const int before = int(m_host.Shutdowns().size());
    m_run->Execute(acRestartWait);
    QTRY_VERIFY_WITH_TIMEOUT(!m_run->IsRunning(), 30000);
    QCOMPARE(m_run->Progress().Failed, 1);
    QVERIFY(LogLine(QStringLiteral("127.0.34.3")).contains(QStringLiteral("Access is denied")));
    QCOMPARE(m_host.Shutdowns(0, 300).size(), before);
}

void TestRestartWait::stopEndsTheWait() {
    QVERIFY(m_host.SetBehaviour(QStringLiteral("127.0.34.1,reboot=60000")));
    const QString name = QStringLiteral("127.0.34.1");
    AddComputer(name);
    m_run->Execute(acRestartWait);
    QTRY_VERIFY_WITH_TIMEOUT(!LogLine(name + QStringLiteral(": the restart was accepted")).isEmpty(), 20000);
    QTest::qWait(3 * WaitIntervalMs); // a few looks in vain
    m_run->Stop();
    QTRY_VERIFY_WITH_TIMEOUT(!m_run->IsRunning(), 20000);
    QCOMPARE(LogLine(name), QStringLiteral("127.0.34.1: Restart and wait until back requested; the wait until it is "
                                           "back was stopped, so whether it came back is unknown."));
    QCOMPARE(m_run->Progress().Unanswered, 1);
    QCOMPARE(m_run->Progress().Done(), m_run->Progress().Total);
    QCOMPARE(LogTexts().count(QStringLiteral("All jobs have finished.")), 1);
    QCOMPARE(m_pool->ThreadCount(), 0);
    // Nothing looks at the computer any more.
    const int lines = m_log->Count();
    QTest::qWait(5 * WaitIntervalMs);
    QCOMPARE(m_log->Count(), lines);
    QVERIFY(m_host.SetBehaviour(QStringLiteral("127.0.34.1,reboot=1000")));
}

// The look under way when Stop comes ends with its report instead of waiting on.
void TestRestartWait::stopDuringALookEndsTheWaitToo() {
    const QString name = QStringLiteral("127.0.34.31");
    AddComputer(name);
    m_run->Execute(acRestartWait);
    QTRY_VERIFY_WITH_TIMEOUT(!LogLine(name + QStringLiteral(": the restart was accepted")).isEmpty(), 20000);
    // From now on every look hangs until its time limit.
    m_options.RemoteTimeout = 3;
    QVERIFY(m_host.SetBehaviour(name + QStringLiteral(",silent")));
    QTest::qWait(3 * WaitIntervalMs);
    QCOMPARE(m_pool->ThreadCount(), 1);
    m_run->Stop();
    QTRY_VERIFY_WITH_TIMEOUT(!m_run->IsRunning(), 20000);
    QVERIFY(m_host.SetBehaviour(name));
    QCOMPARE(LogLine(name), name + QStringLiteral(": Restart and wait until back requested; the wait until it is "
                                                  "back was stopped, so whether it came back is unknown."));
    QCOMPARE(m_run->Progress().Unanswered, 1);
    QCOMPARE(m_run->Progress().Done(), m_run->Progress().Total);
    const int lines = m_log->Count();
    QTest::qWait(5 * WaitIntervalMs);
    QCOMPARE(m_log->Count(), lines);
    QCOMPARE(m_pool->ThreadCount(), 0);
}

// Twenty computers wait at once on a pool of two workers, and a shutdown queued meanwhile is not held
// up behind them.
void TestRestartWait::waitingComputersHoldNoWorker() {
    m_options.iMaxThreads = 2;
    for (int i = 10; i <= 29; ++i)
        AddComputer(QStringLiteral("127.0.34.%1").arg(i));
    m_run->Execute(acRestartWait);
    QTRY_VERIFY_WITH_TIMEOUT(LogTexts().filter(QStringLiteral(": the restart was accepted")).size() == 20, 30000);
    QVERIFY(m_run->IsRunning());
    for (int i = 10; i <= 29; ++i)
        m_list->FindComputer(QStringLiteral("127.0.34.%1").arg(i))->SetChecked(false);
    AddComputer(QStringLiteral("127.0.34.30"));
    m_run->Execute(acShutdown);
    QTRY_VERIFY_WITH_TIMEOUT(!LogLine(QStringLiteral("127.0.34.30: Shut down carried out successfully.")).isEmpty(),
                             20000);
    QVERIFY2(LogTexts().filter(QStringLiteral(": back after")).size() < 20, "the shutdown waited for the restarts");
    QTRY_VERIFY_WITH_TIMEOUT(!m_run->IsRunning(), 60000);
    QCOMPARE(LogTexts().filter(QStringLiteral(": back after")).size(), 20);
    QCOMPARE(m_run->Progress().Succeeded, 21);
}

QTEST_GUILESS_MAIN(TestRestartWait)
#include "TestRestartWait.moc"
