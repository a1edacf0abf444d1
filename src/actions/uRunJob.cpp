#include "uRunJob.h"

#include "ERemoteError.h"
#include "NetUtil.h"
#include "uRemoteText.h"
#include "uRestartWait.h"
#include "uWakeUpJob.h"
#include "uWmiShutdown.h"

QString ResolveJobAddress(const QString& Name) {
    return IsIPAddress(Name) ? Name : ResolveHostToIP(Name);
}

void RunJob(TDataJob& job, const TProgramOptions& options, const std::function<bool()>& stopRequested) {
    // A sleeping computer answers no check: waking it is the point.
    if (job.Action == acWakeUp)
        return WakeUpComputer(job, options, stopRequested);
    if (job.RestartedAtMs > 0) {
        LookWhetherBack(job, options);
        return;
    }
    job.Address = ResolveJobAddress(job.Name);
    if (job.Address.isEmpty()) {
        job.Result = jrNoAddress;
        return;
    }
    if (stopRequested())
        return;
    job.Alive = GetComputerResponseTime(job.Address, TCheckSettings::FromOptions(options)) != NoAnswer;
    if (!job.Alive) {
        job.Result = jrHostNotActive;
        return;
    }
    if (stopRequested())
        return;
    if (job.Action == acRestartWait)
        RestartAndStartWaiting(job, options);
    else
        ExecuteAction(job, options);
}

void ExecuteAction(TDataJob& job, const TProgramOptions& options) {
    job.Result = jrDone;
    job.ErrorMessage.clear();
    // The shutdown type: 0 powers off, 1 restarts. Anything else is no action of ours and must neither
    // power a computer off nor read as done.
    if (job.Action != acShutdown && job.Action != acRestart && job.Action != acRestartWait) {
        job.Result = jrActionFailed;
        return;
    }
    const int shutdownType = job.Action == acShutdown ? acShutdown : acRestart;
    try {
        job.Result = ShutdownComputer(job.Name, job.UserName, job.Password, shutdownType, true,
                                      RemoteSettingsFromOptions(options), job.Notice);
    } catch (const ERemoteError& error) {
        job.ErrorMessage = RemoteTextForLog(error.Text()); // often the host's own words
        if (error.Unanswered())
            job.Result = jrNoAnswer;
        else
            job.Result = IsAlreadyGoingDown(error.Code()) ? jrAlreadyGoingDown : jrActionFailed;
    } catch (const std::exception& error) {
        job.ErrorMessage = RemoteTextForLog(QString::fromLocal8Bit(error.what()));
        job.Result = jrActionFailed;
    }
}
