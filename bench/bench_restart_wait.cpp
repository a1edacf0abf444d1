// 100 computers restarted at once and waited for on a pool that may start 100 workers: how many
// workers the wait holds. A worker that slept per computer would hold all 100 for the whole wait;
// parked jobs hold none between their looks. The simulated hosts come back 5 s after the restart.
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
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

constexpr int Computers = 100;
const QString FirstAddress = QStringLiteral("127.21.0.1");
const QString LastAddress = QStringLiteral("127.21.0.100");

void BM_HundredComputersWaitingAtOnce(benchmark::State& state) {
    const int waitIntervalMs = int(state.range(0));
    TTestHost host;
    const QString error = host.Start({FirstAddress + u'-' + LastAddress + QStringLiteral(",reboot=5000,unencrypted")});
    if (!error.isEmpty()) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    TProgramOptions options;
    options.iMaxThreads = Computers;
    options.bConfirmExecute = false;
    options.DefaultCheckState = 1;
    options.DefaultTCPPort = host.TcpPort();
    options.RemotePort = host.HttpPort();
    options.RemoteAuthentication = QStringLiteral("basic");
    options.RemoteAllowUnencrypted = true; // loopback
    options.RemoteTimeout = 30;
    options.iRestartWaitLimit = 120;
    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    TScriptedConnectAsPrompt connectAs;
    QTemporaryDir settings;
    TComputerList list(options, prompts, dialogs);
    const quint32 first = QHostAddress(FirstAddress).toIPv4Address();
    for (int i = 0; i < Computers; ++i) {
        TComputerObject* computer = list.NewComputer(QHostAddress(first + quint32(i)).toString(), QString(), nullptr);
        computer->SetUserConnectAs(ucFollowingUser);
        computer->SetUserName(TTestHost::UserName);
        computer->SetUserPassword(TTestHost::Password);
        computer->SetChecked(true);
    }

    int peakWhileWaiting = 0;
    double workerSamplesWhileWaiting = 0;
    int samplesWhileWaiting = 0;
    int back = 0;
    double seconds = 0;
    for (auto _ : state) {
        TAppLog log(settings.path() + u'/', nullptr);
        TPoolOfThreads pool(options, RunJob);
        pool.SetWaitInterval(waitIntervalMs);
        TRunController run(list, pool, &log, options, prompts, connectAs);
        int waiting = 0;
        back = 0;
        QObject::connect(&run, &TRunController::JobReported,
                         [&back](const TDataJob& job) { back += job.Result == jrDone ? 1 : 0; });
        QEventLoop loop;
        QObject::connect(&run, &TRunController::RunChanged, &loop, [&] {
            if (!run.IsRunning())
                loop.quit();
        });
        // All restarts accepted and none back yet: the wait itself.
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            waiting = 0;
            for (const auto& entry : list.Items())
                waiting += entry->Status() == 0 ? 1 : 0;
            if (waiting == Computers) {
                const int workers = pool.ThreadCount();
                peakWhileWaiting = std::max(peakWhileWaiting, workers);
                workerSamplesWhileWaiting += workers;
                ++samplesWhileWaiting;
            }
        });
        sampler.start(10);
        QElapsedTimer clock;
        clock.start();
        run.Execute(acRestartWait);
        if (run.IsRunning())
            loop.exec();
        seconds = clock.elapsed() / 1000.0;
    }
    state.counters["back"] = back;
    state.counters["run_seconds"] = seconds;
    state.counters["peak_workers_while_waiting"] = peakWhileWaiting;
    state.counters["mean_workers_while_waiting"] =
        samplesWhileWaiting ? workerSamplesWhileWaiting / samplesWhileWaiting : 0.0;
    state.counters["samples_while_waiting"] = samplesWhileWaiting;
}
BENCHMARK(BM_HundredComputersWaitingAtOnce)
    ->Arg(1000)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace
