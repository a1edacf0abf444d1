#pragma once

#include "uAppLog.h"
#include "uDataJob.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class IConnectAsPrompt;
class IUserPrompts;
class TComputerList;
class TPoolOfThreads;
class TPreObject;
struct TProgramOptions;

// How far a run has come. A run started while another goes on joins it.
struct TRunProgress {
    qint32 Action = 0; // of the run started last
    int Total = 0;
    int Succeeded = 0;
    int Failed = 0;
    int Unanswered = 0; // sent but not answered in time, or under way when the program closed
    int NotAttempted = 0;
    int AlreadyGoingDown = 0; // refused because the computer was going down already

    int Done() const { return Succeeded + Failed + Unanswered + NotAttempted + AlreadyGoingDown; }
};

// The main window's run of an action over the checked computers: builds one job per distinct computer
// with its credentials, asks before it starts, announces the run, hands the jobs to the pool, logs
// every outcome and a summary at the end. It sets the pool's two handlers when it is made; the pool
// goes first, as its workers report here.
class TRunController : public QObject {
    Q_OBJECT
public:
    TRunController(TComputerList& computers, TPoolOfThreads& pool, TAppLog* log, const TProgramOptions& options,
                   IUserPrompts& prompts, IConnectAsPrompt& connectAs, QObject* parent = nullptr);

    // The run (the Execute button), with what the users are told. Nothing is queued or logged when the
    // operator declines the run, cancels a prompt, or no computer is checked.
    void Execute(qint32 action, const TShutdownNotice& notice = {});
    // Drops the jobs not started yet, each logged as not attempted, and ends the waits for computers
    // to come back; calls under way end and report.
    void Stop();
    // The program closes during a run: every computer not reported yet is logged (not attempted, or
    // under way with its outcome unknown) and the pool's workers are let go unreported.
    void Abandon();

    bool IsRunning() const { return m_running; }
    const TRunProgress& Progress() const { return m_progress; }
    // The computers of the run that have not been reported yet.
    int Pending() const { return static_cast<int>(m_pending.size()); }
    // The progress as the status bar shows it; empty before the first run.
    QString ProgressText() const;

    // Whether any node of the tree is checked: what the Execute button waits for.
    bool HasCheckedNode() const;
    // The jobs of a run over the checked nodes in tree order, one per distinct computer name; none
    // when the operator cancelled.
    std::optional<std::vector<std::unique_ptr<TDataJob>>> BuildRun(qint32 action);

    void JobDone(const TDataJob& job);
    void AllJobsFinished();
    void LogMessage(const QString& text, TAppLogLevel level);

    // The translated name of an action; empty for a code that is no action.
    static QString GetActionName(qint32 action);
    // The log line of a finished job and its level.
    static QString JobOutcomeText(const TDataJob& job);
    static TAppLogLevel JobOutcomeLevel(const TDataJob& job);

signals:
    // A run started, progressed or ended.
    void RunChanged();
    // A worker reported a job's outcome (already logged).
    void JobReported(const TDataJob& job);

private:
    // The checked nodes in tree order, groups included, without computers whose name came before.
    struct TRunNodes {
        QList<const TPreObject*> Nodes;
        QStringList ComputerNames;
        int Duplicates = 0;
    };
    TRunNodes CheckedNodes() const;
    bool ConfirmRun(qint32 action, const QStringList& names);
    std::optional<std::vector<std::unique_ptr<TDataJob>>>
    BuildJobs(qint32 action, const QList<const TPreObject*>& nodes, const TShutdownNotice& notice = {});
    // Logs the queued jobs as not attempted, for the reason the key gives, and drops them; a job that
    // waits for its computer is logged with waitKey at waitLevel and counts as without answer.
    void DropQueuedJobs(const QString& key, const QString& waitKey, TAppLogLevel waitLevel);
    void JobWaiting(const QString& name);
    void FinishRun();

    TComputerList& m_computers;
    TPoolOfThreads& m_pool;
    TAppLog* m_log;
    const TProgramOptions& m_options;
    IUserPrompts& m_prompts;
    IConnectAsPrompt& m_connectAs;
    bool m_running = false;
    TRunProgress m_progress;
    QStringList m_pending; // names of the run's jobs that have not been reported
};
