#include "TPeerProcess.h"

#include <csignal>
#include <sys/prctl.h>

TPeerProcess::TPeerProcess(const QString& program, const QStringList& args) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.start(program, args);
    m_process.waitForStarted(10000);
}

TPeerProcess::~TPeerProcess() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString TPeerProcess::Output() {
    return QString::fromLocal8Bit(m_process.readAll());
}
