// Runs an action over three computers where the system lets the process make no thread at all, and
// prints the log it wrote, oldest line first; then how a reachability pass ended. Root is not bound by the process
// limit, so the probe first becomes the unprivileged user "nobody" when it runs as root.
#include "TEnglishTexts.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "UThrdUpdateComputerState.h"
#include "uAppLog.h"
#include "uComputerList.h"
#include "uProgramOptions.h"
#include "uRunController.h"
#include "uThreadPool.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    constexpr uid_t Nobody = 65534;
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(Nobody, Nobody, Nobody) != 0 ||
                           setresuid(Nobody, Nobody, Nobody) != 0)) {
        std::perror("setresuid");
        return 2;
    }
    rlimit processes{};
    getrlimit(RLIMIT_NPROC, &processes);
    const rlimit noProcesses{0, processes.rlim_max};
    if (setrlimit(RLIMIT_NPROC, &noProcesses) != 0) {
        std::perror("setrlimit");
        return 2;
    }

    TEnglishTexts english;
    QTemporaryDir folder;
    TProgramOptions options;
    options.iMaxThreads = 2;
    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    TScriptedConnectAsPrompt connectAs;
    TComputerList list(options, prompts, dialogs);
    for (const char* name : {"pc1", "pc2", "pc3"})
        list.NewComputer(QString::fromLatin1(name), QString(), nullptr)->SetChecked(true);
    TAppLog log(folder.path() + u'/', nullptr);
    int finished = 0;
    {
        TPoolOfThreads pool(
            options, [](TDataJob& job, const TProgramOptions&, const std::function<bool()>&) { job.Result = jrDone; });
        TRunController run(list, pool, &log, options, prompts, connectAs);
        pool.SetOnAllJobsFinished([&](TPoolOfThreads*) {
            run.AllJobsFinished();
            ++finished;
        });
        run.Execute(acShutdown);
        const QDeadlineTimer deadline(10000);
        while (finished == 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QFile file(log.FileName());
    if (!english.IsLoaded() || !file.open(QIODevice::ReadOnly))
        return 3;
    std::fwrite(file.readAll().constData(), 1, size_t(file.size()), stdout);

    // A reachability pass ends all the same, without answers.
    bool passEnded = false;
    auto* pass = new TThrdUpdateComputerState([] { return TCheckSettings(); });
    pass->Start(
        {QStringLiteral("127.0.0.1")}, [](const QString&, bool) {}, [&passEnded] { passEnded = true; });
    const QDeadlineTimer deadline(10000);
    while (!passEnded && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::printf("reachability pass %s\n", passEnded ? "ended" : "hangs");
    setrlimit(RLIMIT_NPROC, &processes); // a leak checker at exit needs a thread of its own
    return finished == 1 ? 0 : 4;
}
