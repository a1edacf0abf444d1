// Loading and saving a list file of 10,000 computers in 100 groups; the memory the loaded list
// takes is reported as the counter ListMB (growth of the resident set while loading).
#include "uComputerList.h"
#include "uComputerListFile.h"
#include "uEntryDialogs.h"
#include "uFileDialogs.h"
#include "uProgramOptions.h"
#include "uUserPrompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <unistd.h>

namespace {

struct TNoPrompts : IUserPrompts {
    TPromptResult Ask(const QString&, const QString&, TPromptButtons, TPromptIcon) override {
        return TPromptResult::OK;
    }
};

struct TNoDialogs : IEntryDialogs, IFileDialogs {
    bool ExecuteGroupEditDialog(QString&, TUserConnectAs&, QString&, QString&, bool, bool) override { return false; }
    bool ExecuteComputerEditDialog(QString&, QString&, TUserConnectAs&, QString&, QString&, bool) override {
        return false;
    }
    QString PromptSaveFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString PromptOpenFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
};

struct TFixture {
    TProgramOptions Options;
    TNoPrompts Prompts;
    TNoDialogs Dialogs;
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

long ResidentKilobytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
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
    double listMB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto list = fixture.NewList();
        TComputerListFile file(*list, fixture.Options, fixture.Prompts, fixture.Dialogs);
        const long before = ResidentKilobytes();
        state.ResumeTiming();
        file.LoadFromFile(fixture.Path);
        state.PauseTiming();
        listMB = std::max(listMB, double(ResidentKilobytes() - before) / 1024);
        list.reset();
        state.ResumeTiming();
    }
    state.counters["ListMB"] = listMB;
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
