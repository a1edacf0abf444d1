#include "ERemoteError.h"
#include "TTestHost.h"
#include "uWmiShutdown.h"

#include <QHostAddress>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

// Remote calls against dormiva-testhost on 127.0.9.x / 127.0.10.x.
namespace {

// One call over HTTP: Basic sends its credentials with every request; Negotiate first logs on with
// NTLM (two more round trips) and seals every request and answer. The difference is what NTLM costs.
void BM_OneCall(benchmark::State& state) {
    const auto authentication = TRemoteAuthentication(state.range(0));
    state.SetLabel(TRemoteSettings::AuthenticationText(authentication).toStdString());
    TTestHost host;
    const QString error = host.Start({QStringLiteral("127.0.9.2,unencrypted")});
    if (!error.isEmpty()) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    TRemoteSettings settings = host.BasicSettings(false, 30);
    settings.Authentication = authentication;
    for (auto _ : state) {
        if (ShutdownComputer(QStringLiteral("127.0.9.2"), TTestHost::UserName, TTestHost::Password, 0, true,
                             settings) != 0)
            state.SkipWithError("the call failed");
    }
}
BENCHMARK(BM_OneCall)
    ->Arg(int(TRemoteAuthentication::Basic))
    ->Arg(int(TRemoteAuthentication::Negotiate))
    ->Unit(benchmark::kMillisecond);

// A run over 1,000 computers, each taking 50 ms per Win32Shutdown, on 100 threads: ideally 10 rounds
// of 50 ms, 0.5 s in all.
void BM_ThousandCallsOverHundredThreads(benchmark::State& state) {
    constexpr int Calls = 1000;
    constexpr int Threads = 100;
    const quint32 first = QHostAddress(QStringLiteral("127.0.10.0")).toIPv4Address();
    TTestHost host;
    const QString error =
        host.Start({QHostAddress(first).toString() + QLatin1Char('-') + QHostAddress(first + Calls - 1).toString() +
                    QStringLiteral(",delay=50,unencrypted")});
    if (!error.isEmpty()) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const TRemoteSettings settings = host.BasicSettings(false, 30);
    std::atomic<int> failures = 0;
    for (auto _ : state) {
        std::atomic<int> next = 0;
        std::vector<std::thread> workers;
        for (int t = 0; t < Threads; ++t) {
            workers.emplace_back([&] {
                for (int i = next++; i < Calls; i = next++) {
                    try {
                        if (ShutdownComputer(QHostAddress(first + quint32(i)).toString(), TTestHost::UserName,
                                             TTestHost::Password, 0, true, settings) != 0)
                            ++failures;
                    } catch (const ERemoteError& failure) {
                        if (failures++ == 0)
                            std::fprintf(stderr, "first failure: %s\n", failure.what());
                    }
                }
            });
        }
        for (std::thread& worker : workers)
            worker.join();
    }
    state.counters["failures"] = failures.load();
    state.counters["peak_calls_at_hosts"] = host.PeakCalls();
}
BENCHMARK(BM_ThousandCallsOverHundredThreads)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
