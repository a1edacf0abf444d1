#include "TEnglishTexts.h"
#include "TTestHost.h"
#include "uProgramOptions.h"
#include "uRemoteText.h"
#include "uRunJob.h"

#include <QTest>

// The steps of one job against simulated Windows hosts on 127.0.32.x:
//   127.0.32.2  answers       127.0.32.3  offers no operating system
//   127.0.32.4  refuses the credentials
//   127.0.32.5  fails with a 15 MB fault text full of forged log lines
//   127.0.32.6  offers 40 operating systems
//   127.0.32.200  nothing listens: the reachability check gets no answer
class TestRunJob : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void resolvesOnlyNames();
    void steps_data();
    void steps();
    void hostileAnswers_data();
    void hostileAnswers();

private:
    TEnglishTexts m_english;
    TTestHost m_host;
};

namespace {
// A label longer than 63 characters cannot be put into a DNS query, so the resolver fails at once
// without sending anything: the test stays on this machine.
const QString Unresolvable = QString(70, u'x') + QStringLiteral(".invalid");
} // namespace

void TestRunJob::initTestCase() {
    QVERIFY(m_english.IsLoaded());
    const QString error = m_host.Start(
        {QStringLiteral("127.0.32.2"), QStringLiteral("127.0.32.3,noos"), QStringLiteral("127.0.32.4,deny"),
         QStringLiteral("127.0.32.5,hugefault=15000000"), QStringLiteral("127.0.32.6,manyobjects=40")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestRunJob::resolvesOnlyNames() {
    QCOMPARE(ResolveJobAddress(QStringLiteral("127.0.32.2")), QStringLiteral("127.0.32.2"));
    // From the hosts file, so no name server is asked.
    QCOMPARE(ResolveJobAddress(QStringLiteral("localhost")), QStringLiteral("127.0.0.1"));
    QCOMPARE(ResolveJobAddress(Unresolvable), QString());
}

void TestRunJob::steps_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint32>("action");
    QTest::addColumn<int>("checkState");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<qint32>("result");
    QTest::addColumn<bool>("alive");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("errorText");
    QTest::addColumn<int>("flags"); // sent to the host, 0 when nothing reached it

    QTest::newRow("shut down") << "127.0.32.2" << qint32(acShutdown) << 1 << false << qint32(jrDone) << true
                               << "127.0.32.2" << false << 12;
    QTest::newRow("restart, forced") << "127.0.32.2" << qint32(acRestart) << 1 << false << qint32(jrDone) << true
                                     << "127.0.32.2" << false << 6;
    QTest::newRow("name does not resolve")
        << Unresolvable << qint32(acShutdown) << 1 << false << qint32(jrNoAddress) << false << "" << false << 0;
    QTest::newRow("no answer to the check") << "127.0.32.200" << qint32(acShutdown) << 1 << false
                                            << qint32(jrHostNotActive) << false << "127.0.32.200" << false << 0;
    QTest::newRow("no check: the remote call fails") << "127.0.32.200" << qint32(acShutdown) << -1 << false
                                                     << qint32(jrActionFailed) << true << "127.0.32.200" << true << 0;
    QTest::newRow("no operating system") << "127.0.32.3" << qint32(acShutdown) << 1 << false << qint32(jrActionFailed)
                                         << true << "127.0.32.3" << false << 0;
    QTest::newRow("credentials refused") << "127.0.32.4" << qint32(acShutdown) << 1 << false << qint32(jrActionFailed)
                                         << true << "127.0.32.4" << true << 0;
    QTest::newRow("told to stop after resolving")
        << "127.0.32.2" << qint32(acShutdown) << 1 << true << qint32(jrDone) << false << "127.0.32.2" << false << 0;
    QTest::newRow("no such action") << "127.0.32.2" << qint32(5) << 1 << false << qint32(jrActionFailed) << true
                                    << "127.0.32.2" << false << 0;
}

void TestRunJob::steps() {
    QFETCH(QString, name);
    QFETCH(qint32, action);
    QFETCH(int, checkState);
    QFETCH(bool, stop);
    QFETCH(qint32, result);
    QFETCH(bool, alive);
    QFETCH(QString, address);
    QFETCH(bool, errorText);
    QFETCH(int, flags);
    TProgramOptions options;
    options.DefaultCheckState = checkState;
    options.DefaultTCPPort = m_host.TcpPort();
    options.RemotePort = m_host.HttpPort();
    options.RemoteTimeout = 10;
    TDataJob job;
    job.Name = name;
    job.Action = action;
    job.UserName = TTestHost::UserName;
    job.Password = TTestHost::Password;
    const int before = m_host.Shutdowns().size();

    RunJob(job, options, [stop] { return stop; });
    QCOMPARE(job.Result, result);
    QCOMPARE(job.Alive, alive);
    QCOMPARE(job.Address, address);
    QCOMPARE(!job.ErrorMessage.isEmpty(), errorText);
    const auto shutdowns = m_host.Shutdowns(before + (flags ? 1 : 0), flags ? 5000 : 200);
    QCOMPARE(shutdowns.size(), before + (flags ? 1 : 0));
    if (flags)
        QCOMPARE(shutdowns.last().Flags, flags);
}

void TestRunJob::hostileAnswers_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("start"); // of the error text
    QTest::addColumn<bool>("cut");
    QTest::newRow("15 MB fault text") << "127.0.32.5"
                                      << "Access denied" << true;
    QTest::newRow("40 operating systems")
        << "127.0.32.6"
        << "The answer of 127.0.32.6 cannot be read: it offers more than 4 objects" << false;
}

// Whatever a host answers becomes one log line of bounded length, and no host is called more than once.
void TestRunJob::hostileAnswers() {
    QFETCH(QString, name);
    QFETCH(QString, start);
    QFETCH(bool, cut);
    TProgramOptions options;
    options.DefaultCheckState = -1;
    options.RemotePort = m_host.HttpPort();
    options.RemoteTimeout = 30;
    TDataJob job;
    job.Name = name;
    job.UserName = TTestHost::UserName;
    job.Password = TTestHost::Password;
    const int before = m_host.Shutdowns().size();
    RunJob(job, options, [] { return false; });
    QCOMPARE(job.Result, qint32(jrActionFailed));
    QVERIFY2(job.ErrorMessage.startsWith(start), qPrintable(job.ErrorMessage.left(200)));
    QCOMPARE(job.ErrorMessage.endsWith(u'…'), cut);
    QVERIFY(job.ErrorMessage.size() <= MaxRemoteTextLength + 1);
    for (const QChar c : job.ErrorMessage)
        QVERIFY2(c.category() != QChar::Other_Control, qPrintable(QString::number(c.unicode())));
    QCOMPARE(m_host.Shutdowns(0, 200).size(), before);
}

QTEST_GUILESS_MAIN(TestRunJob)
#include "TestRunJob.moc"
