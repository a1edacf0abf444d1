#include "uProgramOptions.h"
#include "uThreadPool.h"

#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <cstring>

// Stands in for the remote calls: counts the calls running at once and records the order in which
// jobs start. Shared by the pool's copies of the job function.
struct TFakeCalls {
    std::atomic<int> DelayMs{0};
    bool Throw = false;
    std::atomic<int> Running{0};
    std::atomic<int> Peak{0};
    QMutex Lock;
    QStringList Started;

    static TRunJob Function(const std::shared_ptr<TFakeCalls>& calls) {
        return [calls](TDataJob& job, const TProgramOptions&, const std::function<bool()>&) {
            const int running = ++calls->Running;
            for (int peak = calls->Peak; running > peak && !calls->Peak.compare_exchange_weak(peak, running);)
                ;
            {
                QMutexLocker locker(&calls->Lock);
                calls->Started.append(job.Name);
            }
            QThread::msleep(calls->DelayMs);
            --calls->Running;
            job.Result = 0;
            job.ErrorMessage = QStringLiteral("done by the fake");
            if (calls->Throw)
                throw std::runtime_error("remote call failed");
        };
    }
    QStringList StartedNames() {
        QMutexLocker locker(&Lock);
        return Started;
    }
};

std::vector<std::unique_ptr<TDataJob>> MakeJobs(const QString& prefix, int count) {
    std::vector<std::unique_ptr<TDataJob>> jobs;
    for (int i = 0; i < count; ++i) {
        auto job = std::make_unique<TDataJob>();
        job->Name = prefix + QString::number(i);
        job->Result = 99;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

QStringList Names(const QString& prefix, int count) {
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(prefix + QString::number(i));
    return names;
}

// What the main thread receives from a pool.
struct TPoolEvents {
    QStringList Reported;
    int Finished = 0;
    int ReportsAtFinish = -1;

    void Attach(TPoolOfThreads& pool) {
        pool.SetOnJobDone([this](TDataJob& job) {
            QCOMPARE(QThread::currentThread(), qApp->thread());
            QCOMPARE(job.Result, 0);
            Reported.append(job.Name);
        });
        pool.SetOnAllJobsFinished([this](TPoolOfThreads*) {
            ++Finished;
            ReportsAtFinish = Reported.size();
        });
    }
};

// A pool over fake calls, its options and what its main thread received.
struct TPoolFixture {
    TProgramOptions Options;
    std::shared_ptr<TFakeCalls> Calls = std::make_shared<TFakeCalls>();
    TPoolEvents Events;
    std::unique_ptr<TPoolOfThreads> Pool;

    TPoolFixture(int maxThreads, int delayMs) {
        Options.iMaxThreads = maxThreads;
        Calls->DelayMs = delayMs;
        Pool = std::make_unique<TPoolOfThreads>(Options, TFakeCalls::Function(Calls));
        Events.Attach(*Pool);
    }
};

class TestThreadPool : public QObject {
    Q_OBJECT
private slots:
    void runStaysWithinBound_data();
    void runStaysWithinBound();
    void secondRunQueuesBehindFirst();
    void finishedHandlerMayStartNextRun();
    void failingJobIsReportedAndWorkerGoesOn();
    void destroyingPoolDuringCallsReportsNothingMore();
    void destroyingPoolReleasesWorkersWaitingToReport();
    void processExitsPromptlyDuringCalls_data();
    void processExitsPromptlyDuringCalls();
    void runWithFewThreadsEndsWithEveryJobReported_data();
    void runWithFewThreadsEndsWithEveryJobReported();
    void parkedJobsComeBackUntilDone_data();
    void parkedJobsComeBackUntilDone();
};

void TestThreadPool::runStaysWithinBound_data() {
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("maxThreads");
    QTest::newRow("25 jobs, 10 workers") << 25 << 10;
    QTest::newRow("1 job, 10 workers") << 1 << 10;
    QTest::newRow("12 jobs, 1 worker keeps queue order") << 12 << 1;
}

void TestThreadPool::runStaysWithinBound() {
    QFETCH(int, jobs);
    QFETCH(int, maxThreads);
    TPoolFixture f(maxThreads, 20);
    auto& [options, calls, events, pool] = f;
    pool->AddJobs(MakeJobs(QStringLiteral("pc"), jobs));
    QTRY_COMPARE_WITH_TIMEOUT(events.Finished, 1, 20000);
    QTest::qWait(50);
    QCOMPARE(events.Finished, 1);
    QCOMPARE(events.ReportsAtFinish, jobs);
    QCOMPARE(events.Reported.size(), jobs);
    QVERIFY(calls->Peak <= maxThreads);
    if (maxThreads == 1) {
        QCOMPARE(calls->StartedNames(), Names(QStringLiteral("pc"), jobs));
        QCOMPARE(events.Reported, Names(QStringLiteral("pc"), jobs));
    } else {
        QStringList reported = events.Reported;
        reported.sort();
        QStringList expected = Names(QStringLiteral("pc"), jobs);
        expected.sort();
        QCOMPARE(reported, expected);
    }
    // Every worker has ended and freed itself, each with its copy of the job function.
    QTRY_COMPARE(calls.use_count(), 2L);
}

void TestThreadPool::secondRunQueuesBehindFirst() {
    // One worker, so that the order in which calls start is the order of the queue.
    TPoolFixture f(1, 20);
    auto& [options, calls, events, pool] = f;
    pool->AddJobs(MakeJobs(QStringLiteral("a"), 6));
    QTRY_VERIFY(!events.Reported.isEmpty());
    pool->AddJobs(MakeJobs(QStringLiteral("b"), 4));
    QTRY_COMPARE_WITH_TIMEOUT(events.Finished, 1, 20000);
    QTest::qWait(50);
    QCOMPARE(events.Finished, 1);
    QCOMPARE(events.ReportsAtFinish, 10);
    QCOMPARE(calls->StartedNames(), Names(QStringLiteral("a"), 6) + Names(QStringLiteral("b"), 4));

    // A changed bound applies to the next batch.
    options.iMaxThreads = 4;
    calls->DelayMs = 50;
    pool->AddJobs(MakeJobs(QStringLiteral("c"), 8));
    QTRY_COMPARE_WITH_TIMEOUT(events.Finished, 2, 20000);
    QVERIFY(calls->Peak > 1);
    QVERIFY(calls->Peak <= 4);
}

void TestThreadPool::finishedHandlerMayStartNextRun() {
    TProgramOptions options;
    options.iMaxThreads = 4;
    auto calls = std::make_shared<TFakeCalls>();
    TPoolOfThreads pool(options, TFakeCalls::Function(calls));
    int reported = 0;
    int finished = 0;
    pool.SetOnJobDone([&](TDataJob&) { ++reported; });
    pool.SetOnAllJobsFinished([&](TPoolOfThreads* sender) {
        QCOMPARE(sender, &pool);
        if (++finished == 1)
            sender->AddJobs(MakeJobs(QStringLiteral("again"), 3));
    });
    pool.AddJobs(MakeJobs(QStringLiteral("first"), 2));
    QTRY_COMPARE(finished, 2);
    QCOMPARE(reported, 5);
}

void TestThreadPool::failingJobIsReportedAndWorkerGoesOn() {
    TPoolFixture f(1, 0);
    auto& [options, calls, events, pool] = f;
    calls->Throw = true;
    pool->AddJobs(MakeJobs(QStringLiteral("pc"), 3));
    QTRY_COMPARE(events.Finished, 1);
    QCOMPARE(events.Reported, Names(QStringLiteral("pc"), 3));
}

void TestThreadPool::destroyingPoolDuringCallsReportsNothingMore() {
    TPoolFixture f(3, 150);
    auto& [options, calls, events, pool] = f;
    pool->AddJobs(MakeJobs(QStringLiteral("pc"), 20));
    QTRY_VERIFY(events.Reported.size() >= 3);
    QTRY_VERIFY(calls->Running > 0);
    const qsizetype reportedBefore = events.Reported.size();
    pool.reset();

    // The calls in progress finish; their workers end and free themselves without a word.
    QTRY_COMPARE(calls.use_count(), 1L);
    QCOMPARE(calls->Running.load(), 0);
    QTest::qWait(50);
    QCOMPARE(events.Reported.size(), reportedBefore);
    QCOMPARE(events.Finished, 0);
    // The queued jobs were dropped, never run.
    QVERIFY(calls->StartedNames().size() <= reportedBefore + 3);
}

void TestThreadPool::destroyingPoolReleasesWorkersWaitingToReport() {
    TPoolFixture f(4, 0);
    auto& [options, calls, events, pool] = f;
    pool->AddJobs(MakeJobs(QStringLiteral("pc"), 4));
    // The main thread is busy (no events processed): the four workers finish their calls and wait to report.
    for (int waited = 0; calls->StartedNames().size() < 4 && waited < 5000; waited += 10)
        QThread::msleep(10);
    QThread::msleep(100);
    pool.reset();

    // Released by the pool's end alone, with still no event processed: the workers end and free themselves.
    for (int waited = 0; calls.use_count() > 1 && waited < 5000; waited += 10)
        QThread::msleep(10);
    QCOMPARE(calls.use_count(), 1L);
    QCoreApplication::processEvents();
    QCOMPARE(events.Reported.size(), 0);
    QCOMPARE(events.Finished, 0);
}

void TestThreadPool::processExitsPromptlyDuringCalls_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("workers inside calls") << "calls";
    QTest::newRow("workers waiting to report") << "reports";
}

// The program closes while workers are busy: it must neither crash nor wait for the calls.
void TestThreadPool::processExitsPromptlyDuringCalls() {
    QFETCH(QString, mode);
    QProcess probe;
    QElapsedTimer clock;
    clock.start();
    probe.start(QStringLiteral(POOL_EXIT_PROBE), {mode});
    QVERIFY(probe.waitForFinished(20000));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(probe.readAllStandardOutput().trimmed(), QByteArray("reports=0"));
}

void TestThreadPool::runWithFewThreadsEndsWithEveryJobReported_data() {
    QTest::addColumn<int>("threads");
    QTest::addColumn<QStringList>("jobLines");
    QTest::addColumn<QString>("summary");
    const QString reason = QString::fromLocal8Bit(std::strerror(EAGAIN));
    QTest::newRow("no thread at all") << 0
                                      << QStringList{"ERROR\tpc1: Shut down failed. " + reason,
                                                     "ERROR\tpc2: Shut down failed. " + reason,
                                                     "ERROR\tpc3: Shut down failed. " + reason}
                                      << "Run summary: 0 succeeded, 3 failed, 0 without answer, 0 not attempted.";
    QTest::newRow("one worker of two") << 1
                                       << QStringList{"SUCCESS\tpc1: Shut down carried out successfully.",
                                                      "SUCCESS\tpc2: Shut down carried out successfully.",
                                                      "SUCCESS\tpc3: Shut down carried out successfully."}
                                       << "Run summary: 3 succeeded, 0 failed, 0 without answer, 0 not attempted.";
}

// Also the reachability pass, whose QThread::start() fails silently.
void TestThreadPool::runWithFewThreadsEndsWithEveryJobReported() {
    QFETCH(int, threads);
    QFETCH(QStringList, jobLines);
    QFETCH(QString, summary);
    QProcess probe;
    probe.start(QStringLiteral(NO_THREADS_PROBE), {QString::number(threads)});
    QVERIFY(probe.waitForFinished(30000));
    const QString output = QString::fromLocal8Bit(probe.readAllStandardOutput());
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit); // no std::terminate
    if (probe.exitCode() == 77)
        QSKIP("only root can give the probe a user id of its own");
    QVERIFY2(probe.exitCode() == 0, qPrintable(output + probe.readAllStandardError()));
    QStringList lines = output.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.takeLast(), "reachability pass ended\n");
    for (QString& line : lines)
        line = line.section(u'\t', 1); // without the time
    const QString reason = QString::fromLocal8Bit(std::strerror(EAGAIN));
    const QStringList expected = QStringList{"INFO\tShut down started for 3 computers.",
                                             "ERROR\tA worker thread could not be started: " + reason} +
                                 jobLines + QStringList{"INFO\t" + summary, "INFO\tAll jobs have finished."};
    QCOMPARE(lines, expected);
}

void TestThreadPool::parkedJobsComeBackUntilDone_data() {
    QTest::addColumn<int>("maxThreads");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("looks");
    QTest::newRow("one worker") << 1 << 30 << 3;
    QTest::newRow("two workers, one of them for looks") << 2 << 60 << 2;
    QTest::newRow("eight workers") << 8 << 120 << 4;
}

// Jobs that wait are parked and handed to a worker again until they are done; each is reported once,
// and the run ends once, after the last report. Looks come every millisecond, so workers often end
// just as parked jobs are queued again.
void TestThreadPool::parkedJobsComeBackUntilDone() {
    QFETCH(int, maxThreads);
    QFETCH(int, jobs);
    QFETCH(int, looks);
    TProgramOptions options;
    options.iMaxThreads = maxThreads;
    std::atomic<int> running = 0;
    std::atomic<int> peak = 0;
    TPoolOfThreads pool(options, [&](TDataJob& job, const TProgramOptions&, const std::function<bool()>&) {
        const int now = ++running;
        for (int seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);)
            ;
        ++job.BackAfterSeconds; // counts the looks
        job.Waiting = job.BackAfterSeconds < looks;
        job.Result = 0;
        --running;
    });
    pool.SetWaitInterval(1);
    TPoolEvents events;
    events.Attach(pool);
    QMap<QString, int> looksAtReport;
    pool.SetOnJobDone([&](TDataJob& job) {
        events.Reported.append(job.Name);
        looksAtReport[job.Name] = int(job.BackAfterSeconds);
    });
    QStringList waiting;
    pool.SetOnJobWaiting([&](const QString& name) { waiting.append(name); });
    pool.AddJobs(MakeJobs(QStringLiteral("pc"), jobs));
    QTRY_COMPARE_WITH_TIMEOUT(events.Finished, 1, 30000);
    QTest::qWait(20);
    QCOMPARE(events.Finished, 1);
    QCOMPARE(events.ReportsAtFinish, jobs);
    QStringList expected = Names(QStringLiteral("pc"), jobs);
    expected.sort();
    events.Reported.sort();
    QCOMPARE(events.Reported, expected);
    waiting.sort();
    QCOMPARE(waiting, expected); // announced once each
    for (const QString& name : std::as_const(expected))
        QCOMPARE(looksAtReport.value(name), looks);
    QVERIFY(peak <= maxThreads);
    QCOMPARE(pool.ThreadCount(), 0);
}

QTEST_GUILESS_MAIN(TestThreadPool)
#include "TestThreadPool.moc"
