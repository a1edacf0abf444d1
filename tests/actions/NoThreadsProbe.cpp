// Runs an action over three computers where the system lets the process make no more threads than the
// first argument says (0 or 1), and prints the log it wrote, oldest line first; then how a reachability
// pass ended. Root is not bound by the process limit, so as root the probe first takes a user id that no
// other process has; another user can only count on "0" and gets exit code 77 for "1".
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
    const int threads = app.arguments().value(1).toInt();
    constexpr uid_t Unused = 64999;
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(Unused, Unused, Unused) != 0 ||
                           setresuid(Unused, Unused, Unused) != 0)) {
        std::perror("setresuid");
        return 2;
    }
    if (threads > 0 && getuid() != Unused)
        return 77;
    // Under the new id the probe is the only process, so a limit of 1 + threads leaves that many.
    rlimit processes{};
    getrlimit(RLIMIT_NPROC, &processes);
    const rlimit limited{rlim_t(threads == 0 ? 0 : 1 + threads), processes.rlim_max};
    if (setrlimit(RLIMIT_NPROC, &limited) != 0) {
        std::perror("setrlimit");
        return 2;
    }

    TEnglishTexts english;
    QTemporaryDir folder;
    TProgramOptions options;
    options.iMaxThreads = 2;
    options.bConfirmExecute = false;
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
        {QStringLiteral("127.0.0.1")}, [](const QString&, bool) {}, [](const QString&, const QString&) {},
        [&passEnded] { passEnded = true; });
    const QDeadlineTimer deadline(10000);
    while (!passEnded && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::printf("reachability pass %s\n", passEnded ? "ended" : "hangs");
    setrlimit(RLIMIT_NPROC, &processes); // a leak checker at exit needs a thread of its own
    return finished == 1 ? 0 : 4;
}
