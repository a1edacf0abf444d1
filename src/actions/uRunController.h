#pragma once

#include "uAppLog.h"
#include "uDataJob.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class IConnectAsPrompt;
class IUserPrompts;
class TComputerList;
class TPoolOfThreads;
struct TProgramOptions;

// The main window's run of an action over the checked computers: builds one job per computer with
// its credentials, announces the run, hands the jobs to the pool and logs every outcome and the end.
// It sets the pool's handlers when it is made; the pool goes first, as its workers report here.
class TRunController {
public:
    TRunController(TComputerList& computers, TPoolOfThreads& pool, TAppLog* log, const TProgramOptions& options,
                   IUserPrompts& prompts, IConnectAsPrompt& connectAs);

    // The run (the Execute button). Nothing is queued or logged when the operator cancels a prompt
    // or no computer is checked.
    void Execute(qint32 action);
    // Whether any node of the tree is checked: what the Execute button waits for.
    bool HasCheckedNode() const;
    // The jobs of a run over the checked nodes in tree order; none when the operator cancelled.
    std::optional<std::vector<std::unique_ptr<TDataJob>>> BuildRun(qint32 action);

    void JobDone(const TDataJob& job);
    void AllJobsFinished();
    void LogMessage(const QString& text, TAppLogLevel level);

    // The translated name of an action; empty for a code that is no action.
    static QString GetActionName(qint32 action);
    // The log line of a finished job and its level.
    static QString JobOutcomeText(const TDataJob& job);
    static TAppLogLevel JobOutcomeLevel(const TDataJob& job);

private:
    TComputerList& m_computers;
    TPoolOfThreads& m_pool;
    TAppLog* m_log;
    const TProgramOptions& m_options;
    IUserPrompts& m_prompts;
    IConnectAsPrompt& m_connectAs;
};
