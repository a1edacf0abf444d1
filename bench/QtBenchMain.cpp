// The main of the benchmarks whose code needs a Qt application object (timers, processes, threads
// reporting to the main thread).
#include <QCoreApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
