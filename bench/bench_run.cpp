// A run of 1,000 computers on 100 workers against simulated hosts that take 50 ms per shutdown call and
// answer the TCP check: the time from the run's start to its final log line. The ideal is 10 calls
// after one another per worker, 0.5 s, plus the checks.
#include "LangChanger.h"
#include "NetUtil.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "TTestHost.h"
#include "uAppLog.h"
#include "uComputerList.h"
#include "uProgramOptions.h"
#include "uRunController.h"
#include "uRunJob.h"
#include "uThreadPool.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

constexpr int Computers = 1000;
constexpr int Workers = 100;
const QString FirstAddress = QStringLiteral("127.20.0.1");
const QString LastAddress = QStringLiteral("127.20.3.232");

TProgramOptions RunOptions() {
    TProgramOptions options;
    options.iMaxThreads = Workers;
    options.bConfirmExecute = false; // nobody answers the question
    options.DefaultCheckState = 1;
    options.DefaultTCPPort = 0; // set from the test host
    options.RemoteAuthentication = QStringLiteral("basic");
    options.RemoteAllowUnencrypted = true; // loopback
    options.RemoteTimeout = 30;
    return options;
}

QStringList Addresses() {
    QStringList addresses;
    const quint32 first = QHostAddress(FirstAddress).toIPv4Address();
    for (int i = 0; i < Computers; ++i)
        addresses.append(QHostAddress(first + i).toString());
    return addresses;
}

void BM_RunOfThousandComputers(benchmark::State& state) {
    TTestHost host;
    const QString error = host.Start({FirstAddress + u'-' + LastAddress + QStringLiteral(",delay=50,unencrypted")});
    if (!error.isEmpty()) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    TProgramOptions options = RunOptions();
    options.DefaultTCPPort = host.TcpPort();
    options.RemotePort = host.HttpPort();
    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    QTemporaryDir settings;
    TComputerList list(options, prompts, dialogs);
    for (const QString& address : Addresses()) {
        TComputerObject* computer = list.NewComputer(address, QString(), nullptr);
        computer->SetUserConnectAs(ucFollowingUser);
        computer->SetUserName(TTestHost::UserName);
        computer->SetUserPassword(TTestHost::Password);
        computer->SetChecked(true);
    }
    TScriptedConnectAsPrompt connectAs;

    int successes = 0;
    for (auto _ : state) {
        TAppLog log(settings.path() + u'/', nullptr);
        TPoolOfThreads pool(options, RunJob);
        TRunController run(list, pool, &log, options, prompts, connectAs);
        QEventLoop loop;
        successes = 0;
        // Counted as they come: the log keeps only the newest 1,000 of the run's 1,002 lines.
        QObject::connect(&log, &QAbstractItemModel::rowsInserted, &loop, [&] {
            successes += log.Item(0).Level == TAppLogLevel::Success;
            if (log.Item(0).Text == LangStr(QStringLiteral("sJobMsgAllJobFinished")))
                loop.quit();
        });
        QElapsedTimer clock;
        clock.start();
        run.Execute(acShutdown);
        loop.exec();
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
    }

    // One check from one thread, for the ideal: each worker checks ten computers in turn.
    QElapsedTimer checkClock;
    checkClock.start();
    constexpr int Checks = 200;
    const TCheckSettings check = TCheckSettings::FromOptions(options);
    for (int i = 0; i < Checks; ++i)
        GetComputerResponseTime(FirstAddress, check);
    const double checkSeconds = checkClock.nsecsElapsed() / 1e9 / Checks;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["successes"] = successes;
    state.counters["peak_calls"] = host.PeakCalls();
    state.counters["check_ms"] = checkSeconds * 1000;
    state.counters["ideal_s"] = 0.5 + Computers / Workers * checkSeconds;
    state.counters["peak_rss_MiB"] = usage.ru_maxrss / 1024.0;
}
BENCHMARK(BM_RunOfThousandComputers)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
