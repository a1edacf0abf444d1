#include "uThreadPool.h"

#include "uProgramOptions.h"

TPoolOfThreads::TPoolOfThreads(const TProgramOptions& options, TRunJob runJob, QObject* owner)
    : QObject(owner), m_options(options), m_runJob(std::move(runJob)) {}

TPoolOfThreads::~TPoolOfThreads() {
    StopAll();
    ClearJobs();
}

void TPoolOfThreads::AddJobs(std::vector<std::unique_ptr<TDataJob>> jobs) {
    {
        QMutexLocker locker(&m_jobsLock);
        for (auto& job : jobs)
            Jobs.push_back(std::move(job));
    }
    StartThreads();
}

// The handlers are called after the lock is released.
void TPoolOfThreads::StartThreads() {
    const int maxThreads = qMax(1, m_options.iMaxThreads);
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
    if (lastEnded && OnAllJobsFinished)
        OnAllJobsFinished(this);
}

void TPoolOfThreads::StopAll() {
    QMutexLocker locker(&m_threadsLock);
    for (auto it = Threads.crbegin(); it != Threads.crend(); ++it)
        (*it)->Stop();
    Threads.clear();
}

std::vector<std::unique_ptr<TDataJob>> TPoolOfThreads::TakeQueuedJobs() {
    QMutexLocker locker(&m_jobsLock);
    std::vector<std::unique_ptr<TDataJob>> jobs(std::make_move_iterator(Jobs.begin()),
                                                std::make_move_iterator(Jobs.end()));
    Jobs.clear();
    return jobs;
}

void TPoolOfThreads::ClearJobs() {
    QMutexLocker locker(&m_jobsLock);
    Jobs.clear();
}
