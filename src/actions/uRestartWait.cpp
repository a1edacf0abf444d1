#include "uRestartWait.h"

#include "ERemoteError.h"
#include "PlatformWmi.h"
#include "uProgramOptions.h"
#include "uRemoteText.h"
#include "uRunJob.h"
#include "uWmiShutdown.h"

#include <chrono>

namespace {

// A computer on its way back often takes connections it never answers: one look must not hold a
// worker for the whole time limit of a call.
constexpr int LookTimeoutSeconds = 10;

QString ReadBootTime(const TDataJob& job, const TRemoteSettings& settings) {
    return Platform::WmiLastBootUpTime(job.Name, job.UserName, job.Password, settings);
}

} // namespace

qint64 SteadyClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void RestartAndStartWaiting(TDataJob& job, const TProgramOptions& options) {
    try {
        job.BootTime = ReadBootTime(job, RemoteSettingsFromOptions(options));
    } catch (const ERemoteError& error) {
        job.ErrorMessage = RemoteTextForLog(error.Text());
        job.Result = jrActionFailed; // nothing was asked of the computer yet
        return;
    }
    ExecuteAction(job, options);
    if (job.Result != jrDone)
        return;
    job.RestartedAtMs = qMax<qint64>(1, SteadyClockMs());
    job.Waiting = true;
}

void LookWhetherBack(TDataJob& job, const TProgramOptions& options) {
    job.Waiting = false;
    TRemoteSettings settings = RemoteSettingsFromOptions(options);
    settings.TimeoutSeconds = qMin(settings.EffectiveTimeoutSeconds(), LookTimeoutSeconds);
    QString bootTime;
    try {
        bootTime = ReadBootTime(job, settings);
    } catch (const std::exception&) {
        // Down, or still starting its services: expected while it restarts.
    }
    const qint64 waitedMs = SteadyClockMs() - job.RestartedAtMs;
    if (!bootTime.isEmpty() && bootTime != job.BootTime) {
        job.Result = jrDone;
        job.BackAfterSeconds = (waitedMs + 500) / 1000;
        return;
    }
    // The users' countdown belongs to the restart, not to the wait.
    const qint64 limitMs = (qint64(options.iRestartWaitLimit) + job.Notice.DelaySeconds) * 1000;
    if (waitedMs >= limitMs) {
        job.Result = jrNotBack;
        return;
    }
    job.Waiting = true;
}
