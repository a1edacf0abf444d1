#include "PlatformChildProcess.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace Platform {

void EndWithThisProgram(QProcess& process) {
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The parent may have died before the request took effect; then nobody would send the signal.
        if (::getppid() != parent)
            ::_exit(1);
    });
}

} // namespace Platform
