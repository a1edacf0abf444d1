#include "UThrdUpdateComputerState.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <sched.h>

// The passes run in a network namespace of this process's own, which ends with it: its loopback
// answers, and an nftables rule silently drops whatever is sent to 127.1.0.0/16. Nothing leaves it.
namespace {

bool g_privateNetwork = false;

bool Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool EnterPrivateNetwork() {
    if (::unshare(CLONE_NEWNET) != 0)
        return false;
    return Run(QStringLiteral("ip"), {"link", "set", "lo", "up"}) &&
           Run(QStringLiteral("nft"), {"add table inet bench; "
                                       "add chain inet bench input { type filter hook input priority 0; }; "
                                       "add rule inet bench input ip daddr 127.1.0.0/16 drop"});
}

QStringList Addresses(const QString& prefix, int count) {
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(QStringLiteral("%1.%2.%3").arg(prefix).arg(1 + i / 250).arg(1 + i % 250));
    return names;
}

// One whole pass, from start to its end on the main thread; counts the answers.
void RunPass(benchmark::State& state, const QStringList& names, const TCheckSettings& check) {
    if (!g_privateNetwork) {
        state.SkipWithError("no private network namespace (needs CAP_SYS_ADMIN, ip and nft)");
        return;
    }
    int answered = 0;
    for (auto _ : state) {
        QEventLoop loop;
        answered = 0;
        auto* pass = new TThrdUpdateComputerState([check] { return check; });
        pass->Start(
            names, [&answered](const QString&, bool online) { answered += online ? 1 : 0; }, [&loop] { loop.quit(); });
        loop.exec();
    }
    state.counters["names"] = names.size();
    state.counters["answered"] = answered;
}

void BM_PassOverLoopbackNames(benchmark::State& state) {
    // 1,000 names on loopback, all answering ICMP echo.
    RunPass(state, Addresses(QStringLiteral("127.0"), 1000), {0, 300, 139});
}
BENCHMARK(BM_PassOverLoopbackNames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_PassOverSilentAddresses(benchmark::State& state) {
    // 50 addresses that never answer, 100 ms time-out: the sequential cost of a pass.
    RunPass(state, Addresses(QStringLiteral("127.1"), 50), {static_cast<int>(state.range(0)), 100, 139});
}
BENCHMARK(BM_PassOverSilentAddresses)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    g_privateNetwork = EnterPrivateNetwork();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
