#include "LangChanger.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "uComputerList.h"
#include "uMain.h"
#include "uProgramOptions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

// The program's start with a list of 10,000 computers on loopback, checked at once: from building the
// window to its being shown, and on to the end of the first reachability pass (idle). Argument: the check
// state, -1 (no check: what the results cost the main thread), 0 (ICMP echo; loopback is not paced) or 1 (a
// TCP connection to port 139, refused).
namespace {

constexpr int Computers = 10000;

QByteArray TenThousandLoopbackComputers() {
    QByteArray list("<List>");
    for (int group = 0; group < 100; ++group) {
        list += "<Group><Name>Group " + QByteArray::number(group) + "</Name><List>";
        for (int i = 0; i < Computers / 100; ++i)
            list += "<Computer><Name>127.0." + QByteArray::number(1 + group) + '.' + QByteArray::number(1 + i) +
                    "</Name></Computer>";
        list += "</List></Group>";
    }
    return list + "</List>";
}

void BM_StartUpToIdleWithTenThousandComputers(benchmark::State& state) {
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.filePath(QStringLiteral("config")).toUtf8());
    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    TScriptedConnectAsPrompt connectAs;
    TScriptedFileDialogs fileDialogs;
    TProgramOptions options;
    LoadProgramOptions(options, {{QStringLiteral("dormiva")}, QStringLiteral(DORMIVA_SOURCE_DIR "/data"), {1200, 900}},
                       prompts);
    options.DefaultCheckState = static_cast<int>(state.range(0));
    options.DefaultTimeout = 300;
    QFile file(options.DefaultHostsFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(TenThousandLoopbackComputers()) < 0) {
        state.SkipWithError("cannot write the list file");
        return;
    }
    file.close();
    // Summed over the iterations: the counters give the averages, so repetitions give their median.
    double shownMs = 0;
    double idleMs = 0;
    for (auto _ : state) {
        QElapsedTimer elapsed;
        elapsed.start();
        TDormivaForm form(options, prompts, dialogs, connectAs, fileDialogs);
        QEventLoop idle;
        QObject::connect(&form.ComputerList(), &TComputerList::OnUpdateStateDone, &idle, &QEventLoop::quit);
        form.show();
        if (!QTest::qWaitForWindowExposed(&form)) {
            state.SkipWithError("the window was not shown");
            return;
        }
        shownMs += double(elapsed.nsecsElapsed()) / 1e6;
        if (form.ComputerList().StateThread())
            idle.exec();
        idleMs += double(elapsed.nsecsElapsed()) / 1e6;
    }
    state.counters["shownMs"] = benchmark::Counter(shownMs, benchmark::Counter::kAvgIterations);
    state.counters["idleMs"] = benchmark::Counter(idleMs, benchmark::Counter::kAvgIterations);
    state.counters["idleToShown"] = shownMs > 0 ? idleMs / shownMs : 0;
}
BENCHMARK(BM_StartUpToIdleWithTenThousandComputers)
    ->Arg(-1)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetCurrentLangChanger(nullptr);
    return 0;
}
