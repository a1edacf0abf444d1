#include "TNetworkNamespace.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "UThrdUpdateComputerState.h"
#include "uComputerList.h"
#include "uProgramOptions.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <sched.h>
#include <sys/resource.h>

// The passes run in a network namespace of this process's own, which ends with it: its loopback
// answers, and an nftables rule silently drops whatever is sent to 127.1.0.0/16. A veth pair joins it
// to a peer namespace that the program removes again, on the /24 10.215.0.0: this namespace is .1, the
// peer holds .2 to .254 and drops whatever is sent to .27 to .254, so 26 addresses answer and 228 are
// silent. Nothing leaves the two.
namespace {

bool g_privateNetwork = false;
bool g_slash24 = false;

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

std::unique_ptr<TNetworkNamespace> g_peer;

QStringList Slash24() {
    QStringList names;
    for (int i = 1; i <= 254; ++i)
        names.append(QStringLiteral("10.215.0.%1").arg(i));
    return names;
}

bool JoinSlash24Peer() {
    g_peer = std::make_unique<TNetworkNamespace>(QStringLiteral("bench-peer"));
    if (!g_peer->IsCreated() ||
        !Run(QStringLiteral("ip"),
             {"link", "add", "c0", "type", "veth", "peer", "name", "p0", "netns", g_peer->Name()}) ||
        !Run(QStringLiteral("ip"), {"addr", "add", "10.215.0.1/24", "dev", "c0"}) ||
        !Run(QStringLiteral("ip"), {"link", "set", "c0", "up"}))
        return false;
    QTemporaryFile batch;
    if (!batch.open())
        return false;
    for (const QString& address : Slash24().mid(1))
        batch.write(QStringLiteral("addr add %1/24 dev p0\n").arg(address).toLatin1());
    batch.flush();
    return g_peer->Ip({"-batch", batch.fileName()}) && g_peer->Ip({"link", "set", "p0", "up"}) &&
           g_peer->Exec({"nft", "add table inet bench; "
                                "add chain inet bench input { type filter hook input priority 0; }; "
                                "add rule inet bench input ip daddr 10.215.0.27-10.215.0.254 drop"});
}

long PeakRssKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int ThreadCount() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    }
    return 0;
}

// One whole pass, from start to its end on the main thread; counts the answers and the most threads seen.
void RunPass(benchmark::State& state, const QStringList& names, const TCheckSettings& check, TProbeLimits limits = {}) {
    if (!g_privateNetwork) {
        state.SkipWithError("no private network namespace (needs CAP_SYS_ADMIN, ip and nft)");
        return;
    }
    int answered = 0;
    int threads = 0;
    const long rssBefore = PeakRssKiB();
    for (auto _ : state) {
        QEventLoop loop;
        answered = 0;
        auto* pass = new TThrdUpdateComputerState([check] { return check; }, limits);
        pass->Start(
            names,
            [&](const QString&, bool online) {
                answered += online ? 1 : 0;
                if (answered % 500 == 1)
                    threads = qMax(threads, ThreadCount());
            },
            [](const QString&, const QString&) {}, [&loop] { loop.quit(); });
        loop.exec();
    }
    state.counters["names"] = names.size();
    state.counters["answered"] = answered;
    state.counters["threads"] = threads;
    state.counters["peakRssGrowthKiB"] = static_cast<double>(PeakRssKiB() - rssBefore);
}

// Another tool over the same addresses, for comparison; skipped where it is not installed.
void RunTool(benchmark::State& state, const QString& program, const QStringList& args) {
    if (!g_slash24 || QStandardPaths::findExecutable(program).isEmpty()) {
        state.SkipWithError("no /24 peer namespace, or the tool is not installed");
        return;
    }
    for (auto _ : state)
        Run(program, args);
}

void BM_PassOverLoopbackNames(benchmark::State& state) {
    // 1,000 names on loopback, all answering ICMP echo.
    RunPass(state, Addresses(QStringLiteral("127.0"), 1000), {0, 300, 139});
}
BENCHMARK(BM_PassOverLoopbackNames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_PassOverSilentAddresses(benchmark::State& state) {
    // 50 addresses that never answer, 100 ms time-out.
    RunPass(state, Addresses(QStringLiteral("127.1"), 50), {static_cast<int>(state.range(0)), 100, 139});
}
BENCHMARK(BM_PassOverSilentAddresses)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// 10,000 answers of a pass, each changing a computer's status, applied on the main thread with the
// repaints they cause: 10,000 computers in 100 groups, as a pass over a network that went down reports them.
void BM_ApplyTenThousandPassResults(benchmark::State& state) {
    TProgramOptions options;
    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    TComputerList list(options, prompts, dialogs);
    QStringList names;
    list.BeginUpdate();
    for (int g = 0; g < 100; ++g) {
        TGroupObject* group = list.NewGroup(QStringLiteral("Group %1").arg(g), QString(), nullptr);
        for (int i = 0; i < 100; ++i) {
            names.append(QStringLiteral("pc-%1-%2").arg(g).arg(i));
            list.NewComputer(names.back(), QString(), group);
        }
    }
    list.EndUpdate();
    list.TreeOrder(); // the view has mapped every level
    bool reachable = false;
    for (auto _ : state) {
        for (const QString& name : std::as_const(names))
            list.ApplyPassResult(name, reachable);
        QCoreApplication::sendPostedEvents();
        reachable = !reachable;
    }
}
BENCHMARK(BM_ApplyTenThousandPassResults)->Unit(benchmark::kMillisecond);

// The /24 with 228 silent addresses at a 300 ms time-out; argument: the most probes in flight.
void BM_PassOverSlash24(benchmark::State& state) {
    if (!g_slash24) {
        state.SkipWithError("no /24 peer namespace");
        return;
    }
    RunPass(state, Slash24(), {0, 300, 139}, {static_cast<int>(state.range(0))});
}
BENCHMARK(BM_PassOverSlash24)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_FpingOverSlash24(benchmark::State& state) {
    RunTool(state, QStringLiteral("fping"), QStringList{"-q", "-t", "300", "-r", "0", "-i", "1"} + Slash24());
}
BENCHMARK(BM_FpingOverSlash24)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_NmapOverSlash24(benchmark::State& state) {
    // Echo requests only, as the pass sends them: no ARP ping standing in for them.
    RunTool(state, QStringLiteral("nmap"), {"-sn", "-PE", "-n", "--disable-arp-ping", "10.215.0.1-254"});
}
BENCHMARK(BM_NmapOverSlash24)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// 10,000 loopback computers: the threads and the memory of the pass stay flat.
void BM_PassOverTenThousandLoopbackNames(benchmark::State& state) {
    RunPass(state, Addresses(QStringLiteral("127.0"), 10000), {static_cast<int>(state.range(0)), 300, 139});
}
BENCHMARK(BM_PassOverTenThousandLoopbackNames)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    g_privateNetwork = EnterPrivateNetwork();
    QCoreApplication app(argc, argv);
    g_slash24 = g_privateNetwork && JoinSlash24Peer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_peer.reset();
    return 0;
}
