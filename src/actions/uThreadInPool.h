#pragma once

#include "uDataJob.h"
#include "uProgramOptions.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class TPoolOfThreads;

// Runs one job on a worker thread; stopRequested tells whether the worker has been told to stop.
using TRunJob =
    std::function<void(TDataJob& job, const TProgramOptions& options, const std::function<bool()>& stopRequested)>;
// Receives a finished job on the main thread while its worker waits.
using TJobDoneHandler = std::function<void(TDataJob& job)>;

// A worker of the pool: takes jobs from its pool until the queue is empty, runs each and reports it
// through the main thread while it waits, then ends and frees itself. It works on a copy of the
// options taken when it was made, so that the main thread may change them while it runs.
//
// The worker's own thread holds it, so it frees itself without help from an event loop: a worker
// that outlives its pool (inside a long remote call when the program closes) ends on its own.
class TThreadInPool : public std::enable_shared_from_this<TThreadInPool> {
public:
    TThreadInPool(TPoolOfThreads* pool, TRunJob runJob, const TProgramOptions& options);
    ~TThreadInPool();

    // Main thread only.
    void SetOnJobDone(TJobDoneHandler handler) { OnJobDone = std::move(handler); }
    // Starts the worker's thread; the system's reason when no thread can be made, empty on success.
    QString Start();
    // Detaches the worker from its pool and tells it to stop, without waiting. A report it is
    // waiting on is dropped; a job it is running finishes unreported.
    void Stop();

private:
    enum class TReportState { Idle, Pending, Delivering, Done };

    void Execute();
    void TakeNextJob();
    void RunCurrentJob();
    void ReportJob();
    bool ParkJob();
    void DeliverReport();
    void Terminate();
    bool StopRequested() const { return m_stopped.load(); }

    TRunJob m_runJob;
    const TProgramOptions m_options;
    TJobDoneHandler OnJobDone; // read and written on the main thread only
    std::atomic<bool> m_stopped{false};
    std::mutex m_lock; // guards Pool and the report hand-over
    std::condition_variable m_reportChanged;
    TReportState m_report = TReportState::Idle;
    TPoolOfThreads* Pool;
    std::unique_ptr<TDataJob> Job;
};
