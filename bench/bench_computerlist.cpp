#include "TSilentDialogs.h"
#include "uComputerList.h"
#include "uProgramOptions.h"

#include <QSortFilterProxyModel>

#include <benchmark/benchmark.h>

// 10,000 computers in 100 groups on two levels: 10 top-level groups with 9 subgroups each, every
// group holding 100 computers. Argument 1 gives every computer a description as well.
namespace {

struct TBenchList {
    TProgramOptions Options;
    TFixedAnswerPrompts Prompts;
    TSilentDialogs Dialogs;
    TComputerList List{Options, Prompts, Dialogs};
    QStringList Names;
    QList<TGroupObject*> Groups;

    explicit TBenchList(bool descriptions, bool bracket = true) {
        if (bracket)
            List.BeginUpdate();
        int n = 0;
        const auto fill = [&](TGroupObject* group) {
            Groups.append(group);
            for (int i = 0; i < 100; ++i, ++n) {
                // Names out of order so that sorting has work to do.
                const QString name = QStringLiteral("pc-%1").arg((n * 7919) % 10000, 5, 10, QLatin1Char('0'));
                List.NewComputer(name, descriptions ? QStringLiteral("Room %1").arg(n % 37) : QString(), group)
                    ->SetChecked(n % 3 == 0);
                Names.append(name);
            }
        };
        for (int top = 0; top < 10; ++top) {
            TGroupObject* group = List.NewGroup(QStringLiteral("Site %1").arg(9 - top), QString(), nullptr);
            fill(group);
            for (int sub = 0; sub < 9; ++sub)
                fill(List.NewGroup(QStringLiteral("Floor %1").arg(sub), QString(), group));
        }
        if (bracket)
            List.EndUpdate();
    }
};

void BM_BuildInOneUpdate(benchmark::State& state) {
    for (auto _ : state) {
        TBenchList list(state.range(0) != 0);
        benchmark::DoNotOptimize(list.List.TreeOrder().size());
    }
}
BENCHMARK(BM_BuildInOneUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Entries added one by one, each announced to the sorted view model (the wizard's way).
void BM_BuildOneByOne(benchmark::State& state) {
    for (auto _ : state) {
        TBenchList list(state.range(0) != 0, false);
        benchmark::DoNotOptimize(list.List.TreeOrder().size());
    }
}
BENCHMARK(BM_BuildOneByOne)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SortWholeView(benchmark::State& state) {
    TBenchList list(state.range(0) != 0);
    auto* sorted = qobject_cast<QSortFilterProxyModel*>(list.List.ViewModel());
    for (auto _ : state) {
        sorted->invalidate();
        benchmark::DoNotOptimize(list.List.TreeOrder().size());
    }
}
BENCHMARK(BM_SortWholeView)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_AllGroupCaptions(benchmark::State& state) {
    TBenchList list(false);
    for (auto _ : state) {
        for (const TGroupObject* group : list.Groups)
            benchmark::DoNotOptimize(group->GetCaption());
    }
}
BENCHMARK(BM_AllGroupCaptions)->Unit(benchmark::kMillisecond);

// One result per computer, each changing its status (as a pass over a network that went down does).
void BM_StatusOfEveryComputer(benchmark::State& state) {
    TBenchList list(false);
    list.List.TreeOrder(); // the view has mapped every level
    bool reachable = false;
    for (auto _ : state) {
        for (const QString& name : list.Names)
            list.List.SetComputerStatus(name, reachable);
        reachable = !reachable;
    }
}
BENCHMARK(BM_StatusOfEveryComputer)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
