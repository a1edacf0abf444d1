#include "PlatformChildProcess.h"

#include <QProcess>

#include <windows.h>

namespace Platform {

namespace {

// One job for the whole program, never closed by hand: the system closes its handle when the
// program ends, and the job's limit then ends every process in it.
HANDLE ProgramJob() {
    static const HANDLE job = [] {
        HANDLE handle = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (handle)
            SetInformationJobObject(handle, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return handle;
    }();
    return job;
}

} // namespace

void EndWithThisProgram(QProcess& process) {
    QObject::connect(&process, &QProcess::started, &process, [&process] {
        HANDLE job = ProgramJob();
        HANDLE child = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(process.processId()));
        if (job && child)
            AssignProcessToJobObject(job, child);
        if (child)
            CloseHandle(child);
    });
}

} // namespace Platform
