#pragma once

#include "uDataJob.h"
#include "uThreadInPool.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

struct TProgramOptions;

// Runs jobs on at most iMaxThreads workers. Jobs wait in a queue, first in first out; each batch tops
// the workers up to iMaxThreads (read anew each time), and a worker ends when it finds the queue
// empty. OnJobDone comes on the main thread once per finished job, OnAllJobsFinished once the last
// worker has ended. A worker whose thread cannot be made is reported through OnThreadStartFailed;
// when no worker is left at all, every queued job is reported failed with that reason, then the end.
// The queue and the worker list each have their own lock and are never held together. Destroying the
// pool stops its workers without waiting for them and drops queued jobs.
//
// A job that has to wait (a computer on its way back) is parked instead of reported: no worker holds
// it, and it goes back into the queue after the wait interval. The run ends only once no job is parked.
// OnJobWaiting comes on the main thread when a job is parked for the first time.
class TPoolOfThreads : public QObject {
    Q_OBJECT
public:
    using TAllJobsFinishedHandler = std::function<void(TPoolOfThreads* sender)>;
    using TThreadStartFailedHandler = std::function<void(const QString& error)>;
    using TJobWaitingHandler = std::function<void(const QString& name)>;

    TPoolOfThreads(const TProgramOptions& options, TRunJob runJob, QObject* owner = nullptr);
    ~TPoolOfThreads() override;

    void SetOnAllJobsFinished(TAllJobsFinishedHandler handler) { OnAllJobsFinished = std::move(handler); }
    void SetOnJobDone(TJobDoneHandler handler) { OnJobDone = std::move(handler); }
    void SetOnThreadStartFailed(TThreadStartFailedHandler handler) { OnThreadStartFailed = std::move(handler); }
    void SetOnJobWaiting(TJobWaitingHandler handler) { OnJobWaiting = std::move(handler); }
    // How long a parked job rests before a worker looks at it again.
    void SetWaitInterval(int milliseconds) { m_waitIntervalMs = milliseconds; }

    // Queues the jobs behind any still waiting and starts workers.
    void AddJobs(std::vector<std::unique_ptr<TDataJob>> jobs);
    // Tops the workers up to iMaxThreads, or to fewer when a limit is given.
    void StartThreads(int limit = std::numeric_limits<int>::max());
    // Called by workers: the first queued job, or none when the queue is empty.
    std::unique_ptr<TDataJob> GetNextJob();
    // Called by workers: takes a job that waits and keeps it until the interval has passed. After
    // TakeQueuedJobs, until the next AddJobs, it takes none: the caller reports the job instead.
    bool ParkJob(std::unique_ptr<TDataJob>& job);
    // Detaches every worker and tells it to stop, and drops the parked jobs; does not wait.
    void StopAll();
    // Drops every queued job unreported.
    void ClearJobs();
    // Takes the jobs that no worker has started, in queue order, then the parked ones; workers under
    // way go on, and a wait they are looking at ends with its report. When none is under way, the end
    // of the run follows.
    std::vector<std::unique_ptr<TDataJob>> TakeQueuedJobs();
    // The workers alive at this moment.
    int ThreadCount();
    // A worker has ended; runs on the main thread.
    void ThreadTerminated(TThreadInPool* worker);

private:
    // Reports every queued job as failed for the reason given, then the end of the run.
    void FailQueuedJobs(const QString& error);
    // Moves the parked jobs whose rest is over into the queue and sets the timer for the next one.
    void WakeParkedJobs();
    void ArmWakeTimer();
    bool AnyParked();
    bool AnyQueued();
    void FinishIfIdle();

    struct TParkedJob {
        qint64 DueMs;
        std::unique_ptr<TDataJob> Job;
    };

    const TProgramOptions& m_options;
    TRunJob m_runJob;
    TAllJobsFinishedHandler OnAllJobsFinished;
    TJobDoneHandler OnJobDone;
    TThreadStartFailedHandler OnThreadStartFailed;
    TJobWaitingHandler OnJobWaiting;
    int m_waitIntervalMs = 5000;
    QTimer m_wakeTimer;
    QMutex m_threadsLock;
    QList<std::shared_ptr<TThreadInPool>> Threads;
    QMutex m_jobsLock;
    std::deque<std::unique_ptr<TDataJob>> Jobs;
    std::vector<TParkedJob> m_parked; // guarded by m_jobsLock
    bool m_waitsEnded = false;        // guarded by m_jobsLock
};
