#include "TSilentDialogs.h"
#include "uComputerList.h"
#include "uComputerTreeView.h"
#include "uProgramOptions.h"

#include <QApplication>

#include <benchmark/benchmark.h>

// The computer tree shown over 10,000 computers in 100 groups (10 top-level groups with 9 subgroups
// each, 100 computers in every group), all groups open: what the view costs on top of the list.
namespace {

struct TShownTree {
    TProgramOptions Options;
    TFixedAnswerPrompts Prompts;
    TSilentDialogs Dialogs;
    TComputerList List{Options, Prompts, Dialogs};
    TComputerTreeView Tree{List};
    QStringList Names;

    TShownTree() {
        Tree.resize(400, 800);
        Tree.show();
    }
    // added: with AddComputer (each selected and shown, as the wizard adds), else as a file is read;
    // both in one update bracket.
    void Fill(bool added) {
        List.BeginUpdate();
        int n = 0;
        for (int top = 0; top < 10; ++top) {
            TGroupObject* site = List.NewGroup(QStringLiteral("Site %1").arg(top), QString(), nullptr);
            for (int sub = 0; sub < 10; ++sub) {
                TGroupObject* group =
                    sub == 0 ? site : List.NewGroup(QStringLiteral("Floor %1").arg(sub), QString(), site);
                group->SetExpanded(true);
                for (int i = 0; i < 100; ++i, ++n) {
                    const QString name = QStringLiteral("pc-%1").arg((n * 7919) % 10000, 5, 10, QLatin1Char('0'));
                    if (added)
                        List.AddComputer(name, QString(), group, ucInherited, {}, {});
                    else
                        List.NewComputer(name, QString(), group);
                    Names.append(name);
                }
            }
        }
        List.EndUpdate();
        QApplication::processEvents(); // the view lays out and paints
    }
};

void BM_TreeFilledInOneUpdate(benchmark::State& state) {
    for (auto _ : state) {
        TShownTree tree;
        tree.Fill(false);
    }
}
BENCHMARK(BM_TreeFilledInOneUpdate)->Unit(benchmark::kMillisecond);

void BM_TreeAddedInOneUpdate(benchmark::State& state) {
    for (auto _ : state) {
        TShownTree tree;
        tree.Fill(true);
    }
}
BENCHMARK(BM_TreeAddedInOneUpdate)->Unit(benchmark::kMillisecond);

void BM_TreeStatusOfEveryComputer(benchmark::State& state) {
    TShownTree tree;
    tree.Fill(false);
    bool reachable = false;
    for (auto _ : state) {
        for (const QString& name : tree.Names)
            tree.List.SetComputerStatus(name, reachable);
        QApplication::processEvents();
        reachable = !reachable;
    }
}
BENCHMARK(BM_TreeStatusOfEveryComputer)->Unit(benchmark::kMillisecond);

// Half of all computers selected and dropped on a group, then back.
void BM_TreeDropHalfOfTheComputers(benchmark::State& state) {
    TShownTree tree;
    tree.Fill(false);
    QItemSelection half;
    for (int i = 0; i < tree.Names.size(); i += 2) {
        const QModelIndex node = tree.List.NodeOf(tree.List.FindComputer(tree.Names.at(i)));
        half.select(node, node);
    }
    TPreObject* first = tree.List.Items().front().get();
    TPreObject* last = tree.List.Items().back().get();
    for (auto _ : state) {
        tree.List.SelectionModel()->select(half, QItemSelectionModel::ClearAndSelect);
        tree.List.MoveItem(last, TDropPosition::On);
        tree.List.MoveItem(first, TDropPosition::On);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_TreeDropHalfOfTheComputers)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
