#include "uFormat.h"

#include <benchmark/benchmark.h>

static void BM_FormatGroupCaption(benchmark::State& state) {
    const QString format = QStringLiteral("%s (%d/%d/%d)");
    for (auto _ : state)
        benchmark::DoNotOptimize(Format(format, {QStringLiteral("Group 17"), 3, 40, 100}));
}
BENCHMARK(BM_FormatGroupCaption);

BENCHMARK_MAIN();
