#include "uThreadInPool.h"

#include "PlatformCom.h"
#include "uThreadPool.h"

#include <system_error>
#include <thread>

TThreadInPool::TThreadInPool(TPoolOfThreads* pool, TRunJob runJob, const TProgramOptions& options)
    : m_runJob(std::move(runJob)), m_options(options), Pool(pool) {}

TThreadInPool::~TThreadInPool() = default;

QString TThreadInPool::Start() {
    try {
        std::thread([self = shared_from_this()] { self->Execute(); }).detach();
    } catch (const std::system_error& error) {
        return QString::fromStdString(error.code().message());
    }
    return QString();
}

void TThreadInPool::Stop() {
    OnJobDone = nullptr;
    std::unique_lock locker(m_lock);
    Pool = nullptr;
    m_stopped = true;
    m_reportChanged.notify_all();
}

void TThreadInPool::Execute() {
    Platform::InitializeComForThread();
    Platform::SetComSecurityDefaults();
    while (!StopRequested()) {
        try {
            TakeNextJob();
            if (!Job || StopRequested())
                break;
            RunCurrentJob();
            if (!Job->Waiting || !ParkJob())
                ReportJob();
        } catch (...) {
            // A job's failure never ends the worker.
        }
    }
    Job.reset();
    Platform::UninitializeComForThread();
    Terminate();
}

void TThreadInPool::TakeNextJob() {
    Job.reset();
    std::unique_lock locker(m_lock);
    if (Pool)
        Job = Pool->GetNextJob();
}

void TThreadInPool::RunCurrentJob() {
    try {
        m_runJob(*Job, m_options, [this] { return StopRequested(); });
    } catch (...) {
        // Reported all the same: the job keeps whatever outcome it reached.
    }
}

// Hands the job to the main thread and waits until it has been reported there. The main thread
// reads the record only while this worker waits, so reports arrive one at a time, in the order the
// jobs finish. Stop releases the wait unless the report is being delivered at that moment: the
// record must stay put while the main thread reads it.
void TThreadInPool::ReportJob() {
    std::unique_lock locker(m_lock);
    if (!Pool || StopRequested())
        return;
    m_report = TReportState::Pending;
    QMetaObject::invokeMethod(
        Pool, [self = shared_from_this()] { self->DeliverReport(); }, Qt::QueuedConnection);
    m_reportChanged.wait(locker, [this] {
        return m_report == TReportState::Done || (StopRequested() && m_report != TReportState::Delivering);
    });
    m_report = TReportState::Idle;
}

// A job that waits goes back to the pool unreported; a stopped worker drops it. False when the pool
// takes no more waits: the job is reported as it is.
bool TThreadInPool::ParkJob() {
    std::unique_lock locker(m_lock);
    if (!Pool || StopRequested())
        return true;
    return Pool->ParkJob(Job);
}

void TThreadInPool::DeliverReport() {
    {
        std::unique_lock locker(m_lock);
        if (StopRequested() || m_report != TReportState::Pending)
            return;
        m_report = TReportState::Delivering;
    }
    // A copy: the handler may close the program, and so stop this worker and clear its handler.
    const TJobDoneHandler handler = OnJobDone;
    if (handler)
        handler(*Job);
    std::unique_lock locker(m_lock);
    m_report = TReportState::Done;
    m_reportChanged.notify_all();
}

// The end-of-thread notice goes to the pool's thread; a worker detached by Stop ends unnoticed.
void TThreadInPool::Terminate() {
    std::unique_lock locker(m_lock);
    if (Pool)
        QMetaObject::invokeMethod(
            Pool, [pool = Pool, self = shared_from_this()] { pool->ThreadTerminated(self.get()); },
            Qt::QueuedConnection);
}
