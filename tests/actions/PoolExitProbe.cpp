// Closes a program while its pool's workers are busy; prints how many jobs were reported.
//   calls    the workers are inside long remote calls when the pool goes
//   reports  the workers have finished their calls and wait for a main thread that never answers
#include "uProgramOptions.h"
#include "uThreadPool.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const bool longCalls = app.arguments().value(1) == QStringLiteral("calls");
    TProgramOptions options;
    options.iMaxThreads = 3;
    int reports = 0;
    auto pool = std::make_unique<TPoolOfThreads>(
        options, [longCalls](TDataJob&, const TProgramOptions&, const std::function<bool()>&) {
            if (longCalls)
                QThread::sleep(30);
        });
    pool->SetOnJobDone([&reports](TDataJob&) { ++reports; });
    std::vector<std::unique_ptr<TDataJob>> jobs;
    for (int i = 0; i < 6; ++i)
        jobs.push_back(std::make_unique<TDataJob>());
    pool->AddJobs(std::move(jobs));

    if (longCalls) {
        QTimer::singleShot(200, &app, [&] {
            pool.reset();
            app.quit();
        });
        app.exec();
    } else {
        QThread::msleep(300);
        pool.reset();
    }
    std::printf("reports=%d\n", reports);
    return 0;
}
