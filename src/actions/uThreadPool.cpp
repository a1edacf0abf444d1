#include "uThreadPool.h"

#include "uProgramOptions.h"
#include "uRestartWait.h"

#include <algorithm>

TPoolOfThreads::TPoolOfThreads(const TProgramOptions& options, TRunJob runJob, QObject* owner)
    : QObject(owner), m_options(options), m_runJob(std::move(runJob)) {
    m_wakeTimer.setSingleShot(true);
    connect(&m_wakeTimer, &QTimer::timeout, this, &TPoolOfThreads::WakeParkedJobs);
}

TPoolOfThreads::~TPoolOfThreads() {
    StopAll();
    ClearJobs();
}

void TPoolOfThreads::AddJobs(std::vector<std::unique_ptr<TDataJob>> jobs) {
    {
        QMutexLocker locker(&m_jobsLock);
        m_waitsEnded = false;
        for (auto& job : jobs)
            Jobs.push_back(std::move(job));
    }
    StartThreads();
}

// The handlers are called after the lock is released.
void TPoolOfThreads::StartThreads(int limit) {
    const int maxThreads = qMax(1, qMin(m_options.iMaxThreads, limit));
    QString startError;
    bool noWorker = false;
    {
        QMutexLocker locker(&m_threadsLock);
        while (Threads.size() < maxThreads) {
            auto worker = std::make_shared<TThreadInPool>(this, m_runJob, m_options);
            worker->SetOnJobDone(OnJobDone);
            Threads.append(worker);
            startError = worker->Start();
            if (!startError.isEmpty()) {
                Threads.removeLast();
                break; // the next attempt would fail the same way
            }
        }
        noWorker = Threads.isEmpty();
    }
    if (startError.isEmpty())
        return;
    if (OnThreadStartFailed)
        OnThreadStartFailed(startError);
    if (noWorker)
        FailQueuedJobs(startError);
}

void TPoolOfThreads::FailQueuedJobs(const QString& error) {
    while (std::unique_ptr<TDataJob> job = GetNextJob()) {
        job->Result = jrActionFailed;
        job->ErrorMessage = error;
        if (OnJobDone)
            OnJobDone(*job);
    }
    if (OnAllJobsFinished)
        OnAllJobsFinished(this);
}

std::unique_ptr<TDataJob> TPoolOfThreads::GetNextJob() {
    QMutexLocker locker(&m_jobsLock);
    if (Jobs.empty())
        return nullptr;
    std::unique_ptr<TDataJob> job = std::move(Jobs.front());
    Jobs.pop_front();
    return job;
}

// The handler is called after the lock is released, so that it may start the next run at once.
void TPoolOfThreads::ThreadTerminated(TThreadInPool* worker) {
    bool lastEnded = false;
    {
        QMutexLocker locker(&m_threadsLock);
        // A worker that StopAll already removed may still have its end queued: it counts no more.
        const auto removed = Threads.removeIf([worker](const auto& entry) { return entry.get() == worker; });
        lastEnded = removed > 0 && Threads.isEmpty();
    }
    if (!lastEnded)
        return;
    // Jobs queued while this worker was ending found it still counted: they need a worker of their own.
    if (AnyQueued())
        StartThreads();
    else if (!AnyParked() && OnAllJobsFinished) // parked jobs bring workers back: the run goes on
        OnAllJobsFinished(this);
}

bool TPoolOfThreads::ParkJob(std::unique_ptr<TDataJob>& job) {
    const bool announce = !job->WaitAnnounced;
    const QString name = job->Name;
    {
        QMutexLocker locker(&m_jobsLock);
        if (m_waitsEnded)
            return false;
        job->WaitAnnounced = true;
        m_parked.push_back({SteadyClockMs() + m_waitIntervalMs, std::move(job)});
    }
    QMetaObject::invokeMethod(
        this,
        [this, announce, name] {
            if (announce && OnJobWaiting)
                OnJobWaiting(name);
            ArmWakeTimer();
        },
        Qt::QueuedConnection);
    return true;
}

void TPoolOfThreads::WakeParkedJobs() {
    bool woken = false;
    {
        QMutexLocker locker(&m_jobsLock);
        const qint64 now = SteadyClockMs();
        for (auto it = m_parked.begin(); it != m_parked.end();) {
            if (it->DueMs <= now) {
                Jobs.push_back(std::move(it->Job));
                it = m_parked.erase(it);
                woken = true;
            } else {
                ++it;
            }
        }
    }
    // Looks are short: a quarter of the workers serve them, and a wake of many waiting jobs does not
    // start a burst of threads that would crowd out the other runs.
    if (woken)
        StartThreads(qMax(1, m_options.iMaxThreads / 4));
    ArmWakeTimer();
}

void TPoolOfThreads::ArmWakeTimer() {
    QMutexLocker locker(&m_jobsLock);
    if (m_parked.empty()) {
        m_wakeTimer.stop();
        return;
    }
    const auto next = std::min_element(m_parked.begin(), m_parked.end(),
                                       [](const TParkedJob& a, const TParkedJob& b) { return a.DueMs < b.DueMs; });
    m_wakeTimer.start(int(qBound(qint64(0), next->DueMs - SteadyClockMs(), qint64(m_waitIntervalMs))));
}

bool TPoolOfThreads::AnyQueued() {
    QMutexLocker locker(&m_jobsLock);
    return !Jobs.empty();
}

bool TPoolOfThreads::AnyParked() {
    QMutexLocker locker(&m_jobsLock);
    return !m_parked.empty();
}

void TPoolOfThreads::FinishIfIdle() {
    if (ThreadCount() > 0 || AnyParked() || AnyQueued())
        return;
    if (OnAllJobsFinished)
        OnAllJobsFinished(this);
}

void TPoolOfThreads::StopAll() {
    {
        QMutexLocker locker(&m_threadsLock);
        for (auto it = Threads.crbegin(); it != Threads.crend(); ++it)
            (*it)->Stop();
        Threads.clear();
    }
    QMutexLocker locker(&m_jobsLock);
    m_parked.clear();
    m_wakeTimer.stop();
}

std::vector<std::unique_ptr<TDataJob>> TPoolOfThreads::TakeQueuedJobs() {
    std::vector<std::unique_ptr<TDataJob>> jobs;
    {
        QMutexLocker locker(&m_jobsLock);
        m_waitsEnded = true;
        jobs.assign(std::make_move_iterator(Jobs.begin()), std::make_move_iterator(Jobs.end()));
        Jobs.clear();
        for (TParkedJob& parked : m_parked)
            jobs.push_back(std::move(parked.Job));
        m_parked.clear();
    }
    // With no worker left to end, nothing else would close the run.
    if (ThreadCount() == 0)
        QMetaObject::invokeMethod(this, &TPoolOfThreads::FinishIfIdle, Qt::QueuedConnection);
    return jobs;
}

int TPoolOfThreads::ThreadCount() {
    QMutexLocker locker(&m_threadsLock);
    return int(Threads.size());
}

void TPoolOfThreads::ClearJobs() {
    QMutexLocker locker(&m_jobsLock);
    Jobs.clear();
    m_parked.clear();
}
