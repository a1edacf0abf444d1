#include "uRunController.h"

#include "LangChanger.h"
#include "uComputerList.h"
#include "uCredentials.h"
#include "uFormat.h"
#include "uThreadPool.h"
#include "uUserPrompts.h"
#include "uWakeUpJob.h"

#include <QSet>

#include <algorithm>

TRunController::TRunController(TComputerList& computers, TPoolOfThreads& pool, TAppLog* log,
                               const TProgramOptions& options, IUserPrompts& prompts, IConnectAsPrompt& connectAs,
                               QObject* parent)
    : QObject(parent), m_computers(computers), m_pool(pool), m_log(log), m_options(options), m_prompts(prompts),
      m_connectAs(connectAs) {
    m_pool.SetOnJobDone([this](TDataJob& job) { JobDone(job); });
    m_pool.SetOnAllJobsFinished([this](TPoolOfThreads*) { AllJobsFinished(); });
    m_pool.SetOnJobWaiting([this](const QString& name) { JobWaiting(name); });
    m_pool.SetOnThreadStartFailed([this](const QString& error) {
        LogMessage(Format(LangStr(QStringLiteral("sThreadStartFailed")), {error}), TAppLogLevel::Error);
    });
}

void TRunController::Execute(qint32 action, const TShutdownNotice& notice) {
    const TRunNodes run = CheckedNodes();
    if (run.ComputerNames.isEmpty())
        return;
    // Waking computers up disturbs nobody: only shutting down and restarting are confirmed.
    if (m_options.bConfirmExecute && action != acWakeUp && !ConfirmRun(action, run.ComputerNames))
        return;
    std::optional<std::vector<std::unique_ptr<TDataJob>>> jobs = BuildJobs(action, run.Nodes, notice);
    if (!jobs || jobs->empty())
        return;
    const int count = static_cast<int>(jobs->size());
    const QString key = count == 1 ? QStringLiteral("sJobMsgAllJobStarted") : QStringLiteral("sJobMsgAllJobStarted2");
    LogMessage(Format(LangStr(key), {GetActionName(action), count}), TAppLogLevel::Info);
    if (run.Duplicates > 0)
        LogMessage(Format(LangStr(QStringLiteral("sJobMsgDuplicatesSkipped")), {run.Duplicates}), TAppLogLevel::Info);
    if (!m_running)
        m_progress = TRunProgress();
    m_running = true;
    m_progress.Action = action;
    m_progress.Total += count;
    for (const auto& job : *jobs)
        m_pending.append(job->Name);
    m_pool.AddJobs(std::move(*jobs));
    emit RunChanged();
}

void TRunController::Stop() {
    if (!m_running)
        return;
    LogMessage(LangStr(QStringLiteral("sJobMsgRunStopped")), TAppLogLevel::Stop);
    DropQueuedJobs(QStringLiteral("sJobNotAttempted"), QStringLiteral("sJobWaitStopped"), TAppLogLevel::Stop);
    emit RunChanged();
}

void TRunController::Abandon() {
    if (!m_running)
        return;
    DropQueuedJobs(QStringLiteral("sJobNotAttemptedClosed"), QStringLiteral("sJobUnknownClosed"),
                   TAppLogLevel::Warning);
    // From here on no worker reports: what is still pending was under way.
    m_pool.StopAll();
    const QString action = GetActionName(m_progress.Action);
    for (const QString& name : std::as_const(m_pending))
        LogMessage(Format(LangStr(QStringLiteral("sJobUnknownClosed")), {name, action}), TAppLogLevel::Warning);
    m_progress.Unanswered += static_cast<int>(m_pending.size());
    m_pending.clear();
    FinishRun();
}

void TRunController::DropQueuedJobs(const QString& key, const QString& waitKey, TAppLogLevel waitLevel) {
    for (const auto& job : m_pool.TakeQueuedJobs()) {
        const bool waiting = job->RestartedAtMs > 0;
        LogMessage(Format(LangStr(waiting ? waitKey : key), {job->Name, GetActionName(job->Action)}),
                   waiting ? waitLevel : TAppLogLevel::Stop);
        m_pending.removeOne(job->Name);
        ++(waiting ? m_progress.Unanswered : m_progress.NotAttempted);
    }
}

// The restart went through: the tree shows the computer as gone until it answers again.
void TRunController::JobWaiting(const QString& name) {
    LogMessage(Format(LangStr(QStringLiteral("sJobWaitingUntilBack")), {name}), TAppLogLevel::Info);
    m_computers.SetComputerStatus(name, false);
}

QString TRunController::ProgressText() const {
    if (m_progress.Total == 0)
        return {};
    return Format(LangStr(QStringLiteral("sRunProgress")),
                  {GetActionName(m_progress.Action), m_progress.Done(), m_progress.Total,
                   m_progress.Failed + m_progress.Unanswered});
}

namespace {

// A checked group holds a checked computer or a checked empty group, so those two decide.
bool AnyChecked(const TEntryList& entries) {
    for (const auto& entry : entries) {
        if (entry->IsGroup()) {
            const auto* group = static_cast<const TGroupObject*>(entry.get());
            if (group->Items().empty() ? group->CheckState() == Qt::Checked : AnyChecked(group->Items()))
                return true;
        } else if (entry->CheckState() == Qt::Checked) {
            return true;
        }
    }
    return false;
}

// The question names this many computers; the rest are counted.
constexpr int ConfirmedNamesShown = 5;

} // namespace

bool TRunController::HasCheckedNode() const {
    return AnyChecked(m_computers.Items());
}

// A computer listed twice (by a second import, in two groups) is contacted once: host names do not
// heed case, so neither does the comparison.
TRunController::TRunNodes TRunController::CheckedNodes() const {
    TRunNodes run;
    QSet<QString> seen;
    for (const TPreObject* entry : m_computers.TreeOrder()) {
        if (entry->CheckState() != Qt::Checked)
            continue;
        if (!entry->IsGroup()) {
            const QString key = entry->Name().toCaseFolded();
            if (seen.contains(key)) {
                ++run.Duplicates;
                continue;
            }
            seen.insert(key);
            run.ComputerNames.append(entry->Name());
        }
        run.Nodes.append(entry);
    }
    return run;
}

bool TRunController::ConfirmRun(qint32 action, const QStringList& names) {
    const int count = static_cast<int>(names.size());
    QString key = action == acShutdown ? QStringLiteral("sConfirmRunShutdown") : QStringLiteral("sConfirmRunRestart");
    if (count != 1)
        key += u'2';
    QStringList lines = names.first(std::min(count, ConfirmedNamesShown));
    if (count > ConfirmedNamesShown)
        lines.append(Format(LangStr(QStringLiteral("sConfirmRunMore")), {count - ConfirmedNamesShown}));
    const QString text =
        Format(LangStr(key), {count}) + QStringLiteral("\r\n\r\n") + lines.join(QStringLiteral("\r\n"));
    return m_prompts.Ask(text, LangStr(QStringLiteral("sWarning")), TPromptButtons::YesNo, TPromptIcon::Warning) ==
           TPromptResult::Yes;
}

std::optional<std::vector<std::unique_ptr<TDataJob>>> TRunController::BuildRun(qint32 action) {
    return BuildJobs(action, CheckedNodes().Nodes);
}

// After the first prompt of a run the operator may choose to reuse what was entered for every
// later computer that would prompt; the question is asked once, and not when the prompting computer
// is the last checked node.
std::optional<std::vector<std::unique_ptr<TDataJob>>>
TRunController::BuildJobs(qint32 action, const QList<const TPreObject*>& checked, const TShutdownNotice& notice) {
    std::vector<std::unique_ptr<TDataJob>> jobs;
    bool askEach = true;
    bool firstPrompt = true;
    TResolvedCredentials saved;
    for (qsizetype index = 0; index < checked.size(); ++index) {
        const TPreObject* entry = checked.at(index);
        if (entry->IsGroup())
            continue;
        if (action == acWakeUp) {
            // A magic packet needs no account.
            auto job = std::make_unique<TDataJob>();
            job->Name = entry->Name();
            job->Action = action;
            job->HardwareAddress = static_cast<const TComputerObject*>(entry)->MacAddress();
            jobs.push_back(std::move(job));
            continue;
        }
        TResolvedCredentials credentials;
        if (!NeedsCredentialsPrompt(entry, m_options)) {
            // A failure here only means empty credentials: the user running the program.
            credentials = ResolveCredentials(entry, m_options, m_connectAs);
        } else if (askEach) {
            credentials = ResolveCredentials(entry, m_options, m_connectAs);
            if (!credentials.Success)
                return std::nullopt;
            saved = credentials;
            if (firstPrompt && checked.size() > 1 && index < checked.size() - 1 &&
                m_prompts.Ask(LangStr(QStringLiteral("sUseCredentialsForAll")), LangStr(QStringLiteral("sWarning")),
                              TPromptButtons::YesNo, TPromptIcon::Warning) == TPromptResult::Yes)
                askEach = false;
            firstPrompt = false;
        } else {
            credentials = saved;
        }
        auto job = std::make_unique<TDataJob>();
        job->Name = entry->Name();
        job->Action = action;
        job->UserName = credentials.UserName;
        job->Password = credentials.Password;
        job->Notice = notice;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

void TRunController::JobDone(const TDataJob& job) {
    m_pending.removeOne(job.Name);
    LogMessage(JobOutcomeText(job), JobOutcomeLevel(job));
    if (job.Waiting) // Stop ended the wait while a worker was looking
        ++m_progress.Unanswered;
    else if (job.Result == jrDone)
        ++m_progress.Succeeded;
    else if (job.Result == jrNoAnswer)
        ++m_progress.Unanswered;
    else if (job.Result == jrAlreadyGoingDown)
        ++m_progress.AlreadyGoingDown;
    else if (job.Result == jrNoHardwareAddress)
        ++m_progress.NotAttempted;
    else
        ++m_progress.Failed;
    if (job.Action == acRestartWait && job.Result == jrDone && !job.Waiting)
        m_computers.SetComputerStatus(job.Name, true);
    emit JobReported(job);
    emit RunChanged();
}

void TRunController::AllJobsFinished() {
    if (!m_running)
        return; // a run that the closing program abandoned has been summed up already
    FinishRun();
    LogMessage(LangStr(QStringLiteral("sJobMsgAllJobFinished")), TAppLogLevel::Info);
}

void TRunController::FinishRun() {
    if (!m_running)
        return;
    // The shorter summary stays as it was for runs without such refusals: scripts read it.
    if (m_progress.AlreadyGoingDown > 0)
        LogMessage(Format(LangStr(QStringLiteral("sJobMsgRunSummary2")),
                          {m_progress.Succeeded, m_progress.AlreadyGoingDown, m_progress.Failed, m_progress.Unanswered,
                           m_progress.NotAttempted}),
                   TAppLogLevel::Info);
    else
        LogMessage(Format(LangStr(QStringLiteral("sJobMsgRunSummary")),
                          {m_progress.Succeeded, m_progress.Failed, m_progress.Unanswered, m_progress.NotAttempted}),
                   TAppLogLevel::Info);
    m_running = false;
    m_pending.clear();
    emit RunChanged();
}

void TRunController::LogMessage(const QString& text, TAppLogLevel level) {
    if (m_log)
        m_log->Add(text, level);
}

QString TRunController::GetActionName(qint32 action) {
    switch (action) {
    case acShutdown:
        return LangStr(QStringLiteral("sDormivaActionShutdown"));
    case acRestart:
        return LangStr(QStringLiteral("sDormivaActionRestart"));
    case acRestartWait:
        return LangStr(QStringLiteral("sDormivaActionRestartWait"));
    case acWakeUp:
        return LangStr(QStringLiteral("sDormivaActionWakeUp"));
    default:
        return {};
    }
}

QString TRunController::JobOutcomeText(const TDataJob& job) {
    const QString action = GetActionName(job.Action);
    if (job.Waiting)
        return Format(LangStr(QStringLiteral("sJobWaitStopped")), {job.Name, action});
    if (job.Result == jrDone && job.Action == acRestartWait)
        return Format(LangStr(QStringLiteral("sJobBackAfter")), {job.Name, job.BackAfterSeconds});
    if (job.Action == acWakeUp) {
        if (const QString text = WakeUpOutcomeText(job); !text.isEmpty())
            return text;
    }
    if (job.Result == jrDone)
        return Format(LangStr(QStringLiteral("sJobSuccessfully")), {job.Name, action});
    if (job.Result == jrNotBack)
        return Format(LangStr(QStringLiteral("sJobNotBack")), {job.Name});
    if (job.Result == jrAlreadyGoingDown)
        return Format(LangStr(QStringLiteral("sJobAlreadyGoingDown")), {job.Name, action, job.ErrorMessage});
    if (job.Result == jrNoAnswer)
        return Format(LangStr(QStringLiteral("sJobNoAnswer")), {job.Name, action, job.ErrorMessage});
    if (!job.ErrorMessage.isEmpty())
        return Format(LangStr(QStringLiteral("sJobGeneralErrorWithMsg")), {job.Name, action, job.ErrorMessage});
    switch (job.Result) {
    case jrHostNotActive:
        return Format(LangStr(QStringLiteral("sHostNotActive")), {job.Name, action});
    case jrNoAddress:
        return Format(LangStr(QStringLiteral("sCouldnotfindIPaddress")), {job.Name, action});
    default:
        return Format(LangStr(QStringLiteral("sJobGeneralError")), {job.Name, action});
    }
}

TAppLogLevel TRunController::JobOutcomeLevel(const TDataJob& job) {
    if (job.Waiting)
        return TAppLogLevel::Stop;
    if (job.Result == jrNoAnswer || job.Result == jrAlreadyGoingDown || job.Result == jrNoHardwareAddress)
        return TAppLogLevel::Warning;
    return job.Result == jrDone ? TAppLogLevel::Success : TAppLogLevel::Error;
}
