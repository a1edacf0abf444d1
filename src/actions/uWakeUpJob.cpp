#include "uWakeUpJob.h"

#include "LangChanger.h"
#include "NetUtil.h"
#include "PlatformSockets.h"
#include "uFormat.h"
#include "uHardwareAddress.h"
#include "uProgramOptions.h"
#include "uRunJob.h"
#include "uWakeOnLan.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>

namespace {

constexpr int ProbeIntervalMs = 1000;
constexpr int StopCheckMs = 100;

// Waits until the computer answers or the options' limit has passed; false when it did not answer.
bool WaitUntilAwake(TDataJob& job, const TProgramOptions& options, const std::function<bool()>& stopRequested) {
    TCheckSettings check = TCheckSettings::FromOptions(options);
    // "No check" answers at once: it cannot tell a computer that woke up from one still asleep.
    if (check.CheckState != 1)
        check.CheckState = 0;
    const QDeadlineTimer limit(qint64(options.iWakeUpWaitSeconds) * 1000);
    QElapsedTimer since;
    since.start();
    while (!stopRequested()) {
        // A sleeping computer's name may resolve only once it is back on the network.
        if (job.Address.isEmpty())
            job.Address = ResolveJobAddress(job.Name);
        if (!job.Address.isEmpty() && IsComputerReachable(job.Address, check)) {
            job.AwakeAfterSeconds = static_cast<qint32>(since.elapsed() / 1000);
            return true;
        }
        const QDeadlineTimer next(ProbeIntervalMs);
        while (!next.hasExpired() && !limit.hasExpired() && !stopRequested())
            QThread::msleep(StopCheckMs);
        if (limit.hasExpired())
            return false;
    }
    return false;
}

} // namespace

void WakeUpComputer(TDataJob& job, const TProgramOptions& options, const std::function<bool()>& stopRequested,
                    const TAdapterSource& adapters) {
    job.Result = jrDone;
    job.ErrorMessage.clear();
    if (HardwareAddressBytes(job.HardwareAddress).isEmpty()) {
        job.Result = jrNoHardwareAddress;
        return;
    }
    job.Address = ResolveJobAddress(job.Name);
    const quint32 broadcast = WakeUpBroadcastAddress(Platform::ParseIPv4(job.Address), adapters());
    job.WakeUpTarget = Platform::FormatIPv4(broadcast);
    job.ErrorMessage = SendWakeUpPacket(job.HardwareAddress, broadcast);
    if (!job.ErrorMessage.isEmpty()) {
        job.Result = jrActionFailed;
        return;
    }
    if (options.iWakeUpWaitSeconds > 0 && !WaitUntilAwake(job, options, stopRequested))
        job.Result = jrNoAnswer;
}

QString WakeUpOutcomeText(const TDataJob& job) {
    switch (job.Result) {
    case jrDone:
        if (job.AwakeAfterSeconds >= 0)
            return Format(LangStr(QStringLiteral("sWakeUpAwake")), {job.Name, job.AwakeAfterSeconds});
        return Format(LangStr(QStringLiteral("sWakeUpSent")), {job.Name, job.HardwareAddress, job.WakeUpTarget});
    case jrNoAnswer:
        return Format(LangStr(QStringLiteral("sWakeUpNoAnswer")), {job.Name, job.WakeUpTarget});
    case jrNoHardwareAddress:
        return Format(LangStr(QStringLiteral("sWakeUpNoHardwareAddress")), {job.Name});
    default:
        return {};
    }
}
