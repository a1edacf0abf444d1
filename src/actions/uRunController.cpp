#include "uRunController.h"

#include "LangChanger.h"
#include "uComputerList.h"
#include "uCredentials.h"
#include "uFormat.h"
#include "uThreadPool.h"
#include "uUserPrompts.h"

TRunController::TRunController(TComputerList& computers, TPoolOfThreads& pool, TAppLog* log,
                               const TProgramOptions& options, IUserPrompts& prompts, IConnectAsPrompt& connectAs)
    : m_computers(computers), m_pool(pool), m_log(log), m_options(options), m_prompts(prompts), m_connectAs(connectAs) {
    m_pool.SetOnJobDone([this](TDataJob& job) { JobDone(job); });
    m_pool.SetOnAllJobsFinished([this](TPoolOfThreads*) { AllJobsFinished(); });
    m_pool.SetOnThreadStartFailed([this](const QString& error) {
        LogMessage(Format(LangStr(QStringLiteral("sThreadStartFailed")), {error}), TAppLogLevel::Error);
    });
}

void TRunController::Execute(qint32 action) {
    std::optional<std::vector<std::unique_ptr<TDataJob>>> jobs = BuildRun(action);
    if (!jobs || jobs->empty())
        return;
    const int count = static_cast<int>(jobs->size());
    const QString key = count == 1 ? QStringLiteral("sJobMsgAllJobStarted") : QStringLiteral("sJobMsgAllJobStarted2");
    LogMessage(Format(LangStr(key), {GetActionName(action), count}), TAppLogLevel::Info);
    m_pool.AddJobs(std::move(*jobs));
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

} // namespace

bool TRunController::HasCheckedNode() const {
    return AnyChecked(m_computers.Items());
}

// After the first prompt of a run the operator may choose to reuse what was entered for every
// later computer that would prompt; the question is asked once, and not when the prompting computer
// is the last checked node.
std::optional<std::vector<std::unique_ptr<TDataJob>>> TRunController::BuildRun(qint32 action) {
    QList<TPreObject*> checked;
    for (TPreObject* entry : m_computers.TreeOrder())
        if (entry->CheckState() == Qt::Checked)
            checked.append(entry);

    std::vector<std::unique_ptr<TDataJob>> jobs;
    bool askEach = true;
    bool firstPrompt = true;
    TResolvedCredentials saved;
    for (qsizetype index = 0; index < checked.size(); ++index) {
        const TPreObject* entry = checked.at(index);
        if (entry->IsGroup())
            continue;
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
        jobs.push_back(std::move(job));
    }
    return jobs;
}

void TRunController::JobDone(const TDataJob& job) {
    LogMessage(JobOutcomeText(job), JobOutcomeLevel(job));
}

void TRunController::AllJobsFinished() {
    LogMessage(LangStr(QStringLiteral("sJobMsgAllJobFinished")), TAppLogLevel::Info);
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
    default:
        return {};
    }
}

QString TRunController::JobOutcomeText(const TDataJob& job) {
    const QString action = GetActionName(job.Action);
    if (job.Result == jrDone)
        return Format(LangStr(QStringLiteral("sJobSuccessfully")), {job.Name, action});
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
    return job.Result == jrDone ? TAppLogLevel::Success : TAppLogLevel::Error;
}
