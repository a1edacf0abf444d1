#include "uDemoHosts.h"

#include "LangChanger.h"
#include "PlatformChildProcess.h"
#include "uFormat.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

const QString TDemoHosts::UserName = QStringLiteral("Administrator");
const QString TDemoHosts::Password = QStringLiteral("Dormiva-Demo1");
const QString TDemoHosts::ProgramName = QStringLiteral("dormiva-testhost");
const QString TDemoHosts::PackageName = QStringLiteral("dormiva");

namespace {

// Long enough for a loaded machine; the hosts need well under a second.
constexpr int StartTimeoutMs = 30000;

} // namespace

QStringList TDemoHosts::HostSpecs() {
    // 127.66.2.6 is in the list but served by nobody: the computer that is switched off.
    // A restarted computer is back after 15 to 45 seconds.
    return {QStringLiteral("127.66.0.1-127.66.0.5,reboot=15000"),
            QStringLiteral("127.66.0.6,delay=4000"),
            QStringLiteral("127.66.0.7-127.66.0.8,reboot=30000"),
            QStringLiteral("127.66.1.1-127.66.1.2,reboot=20000"),
            QStringLiteral("127.66.1.3-127.66.1.4,deny"),
            QStringLiteral("127.66.1.5,return=1191"),
            QStringLiteral("127.66.1.6,reboot=25000"),
            QStringLiteral("127.66.2.1-127.66.2.3,reboot=45000"),
            QStringLiteral("127.66.2.4,silent"),
            QStringLiteral("127.66.2.5")};
}

QString TDemoHosts::FindProgram(const QString& programFolder) {
    const QDir folder(programFolder);
    const QString found = QStandardPaths::findExecutable(
        ProgramName, {folder.path(), QDir::cleanPath(folder.filePath(QStringLiteral("../libexec/dormiva")))});
    return found.isEmpty() ? folder.filePath(ProgramName) : found;
}

TDemoHosts::~TDemoHosts() {
    Stop();
}

QString TDemoHosts::Start(const QString& program, quint16 port) {
    const QFileInfo file(program);
    if (!file.isFile() || !file.isExecutable())
        return Format(LangStr(QStringLiteral("sDemoHostsMissing")), {QDir::toNativeSeparators(program), PackageName});
    m_process.setProgram(program);
    m_process.setArguments(QStringList{QStringLiteral("--user"), UserName, QStringLiteral("--password"), Password,
                                       QStringLiteral("--http-port"), QString::number(port),
                                       QStringLiteral("--https-port"), QStringLiteral("0")} +
                           HostSpecs());
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    Platform::EndWithThisProgram(m_process);
    m_process.start();
    if (!m_process.waitForStarted(StartTimeoutMs))
        return Format(LangStr(QStringLiteral("sDemoHostsFailed")), {m_process.errorString()});
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running && !deadline.hasExpired())
        m_process.waitForReadyRead(100);
    if (m_process.readLine().trimmed() == "ready")
        return QString();
    Stop();
    const QString detail = QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed();
    if (detail.contains(QLatin1String("cannot listen")))
        return Format(LangStr(QStringLiteral("sDemoPortTaken")), {port, detail});
    return Format(LangStr(QStringLiteral("sDemoHostsFailed")), {detail});
}

void TDemoHosts::Stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
