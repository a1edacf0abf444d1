// Loading and saving a list file of 10,000 computers in 100 groups, and a text import of 4 MB of names.
// The memory the loaded list holds is the counter ListMB: heap bytes in use after the load minus before
// it, so memory freed by an earlier round and reused does not hide it. PeakMB is the peak resident set
// of the whole program.
#include "TSilentDialogs.h"
#include "uComputerList.h"
#include "uComputerListFile.h"
#include "uProgramOptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <memory>
#include <sys/resource.h>

namespace {

struct TFixture {
    TProgramOptions Options;
    TFixedAnswerPrompts Prompts;
    TSilentDialogs Dialogs;
    QTemporaryDir Dir;
    QString Path = Dir.filePath(QStringLiteral("bench.dvl"));

    std::unique_ptr<TComputerList> NewList() { return std::make_unique<TComputerList>(Options, Prompts, Dialogs); }

    // 100 groups of 100 computers, every fifth with its own account.
    std::unique_ptr<TComputerList> FilledList() {
        auto list = NewList();
        list->BeginUpdate();
        for (int g = 0; g < 100; ++g) {
            TGroupObject* group =
                list->NewGroup(QStringLiteral("Group %1").arg(g), QStringLiteral("Floor %1").arg(g), nullptr);
            for (int c = 0; c < 100; ++c) {
                TComputerObject* computer = list->NewComputer(QStringLiteral("pc-%1-%2.corp.example").arg(g).arg(c),
                                                              QStringLiteral("Desk %1").arg(c), group);
                computer->SetMacAddress(
                    QStringLiteral("00-11-22-33-%1-%2").arg(g, 2, 16, QChar(u'0')).arg(c, 2, 16, QChar(u'0')));
                computer->SetChecked(c % 2 == 0);
                if (c % 5 == 0) {
                    computer->SetUserConnectAs(ucFollowingUser);
                    computer->SetUserName(QStringLiteral("corp\\admin"));
                    computer->SetUserPassword(QStringLiteral("secret%1").arg(c));
                }
            }
        }
        list->EndUpdate();
        return list;
    }
};

double HeapInUseMB() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024 * 1024);
}

double PeakResidentMB() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

// Times load into a fresh list per round and reports the heap the loaded list holds.
template <typename TLoad>
void MeasureLoads(benchmark::State& state, TFixture& fixture, IUserPrompts& prompts, const TLoad& load) {
    double listMB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto list = fixture.NewList();
        TComputerListFile file(*list, fixture.Options, prompts, fixture.Dialogs);
        const double before = HeapInUseMB();
        state.ResumeTiming();
        load(file);
        state.PauseTiming();
        listMB = std::max(listMB, HeapInUseMB() - before);
        list.reset();
        state.ResumeTiming();
    }
    state.counters["ListMB"] = listMB;
    state.counters["PeakMB"] = PeakResidentMB();
}

void BM_SaveList(benchmark::State& state) {
    TFixture fixture;
    auto list = fixture.FilledList();
    TComputerListFile file(*list, fixture.Options, fixture.Prompts, fixture.Dialogs);
    for (auto _ : state)
        file.SaveToFile(fixture.Path);
    state.counters["FileMB"] = double(QFile(fixture.Path).size()) / (1024 * 1024);
}
BENCHMARK(BM_SaveList)->Unit(benchmark::kMillisecond);

void BM_LoadList(benchmark::State& state) {
    TFixture fixture;
    {
        auto list = fixture.FilledList();
        TComputerListFile(*list, fixture.Options, fixture.Prompts, fixture.Dialogs).SaveToFile(fixture.Path);
    }
    MeasureLoads(state, fixture, fixture.Prompts, [&](TComputerListFile& file) { file.LoadFromFile(fixture.Path); });
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond);

void BM_ImportText(benchmark::State& state) {
    TFixture fixture;
    TFixedAnswerPrompts accept(TPromptResult::OK);
    const QString path = fixture.Dir.filePath(QStringLiteral("names.txt"));
    {
        QFile text(path);
        text.open(QIODevice::WriteOnly);
        for (int i = 0; text.size() < 4 * 1024 * 1024; ++i)
            text.write(QStringLiteral("pc-%1.corp.example\r\n").arg(i).toLatin1());
    }
    MeasureLoads(state, fixture, accept, [&](TComputerListFile& file) { file.ImportFromFile(path); });
}
BENCHMARK(BM_ImportText)->Unit(benchmark::kMillisecond);

} // namespace
