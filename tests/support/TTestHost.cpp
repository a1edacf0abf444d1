#include "TTestHost.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>

const QString TTestHost::UserName = QStringLiteral("Administrator");
const QString TTestHost::Password = QStringLiteral("Secret!1");

TTestHost::~TTestHost() {
    Stop();
}

QString TTestHost::ProgramPath() {
    return QStringLiteral(DORMIVA_BINARY_DIR "/tools/testhost/dormiva-testhost");
}

QString TTestHost::Start(const QStringList& hosts) {
    QString error;
    for (int attempt = 0; attempt < 20; ++attempt) {
        m_BasePort = quint16(QRandomGenerator::global()->bounded(20000, 60000));
        error = StartOnce(hosts);
        if (!error.contains(QLatin1String("cannot listen")))
            break;
    }
    return error;
}

TRemoteSettings TTestHost::Settings(bool https, int timeoutSeconds) const {
    TRemoteSettings settings;
    settings.Https = https;
    settings.Port = https ? HttpsPort() : HttpPort();
    settings.VerifyCertificate = false;
    settings.TimeoutSeconds = timeoutSeconds;
    return settings;
}

TRemoteSettings TTestHost::BasicSettings(bool https, int timeoutSeconds) const {
    TRemoteSettings settings = Settings(https, timeoutSeconds);
    settings.Authentication = TRemoteAuthentication::Basic;
    settings.AllowUnencrypted = true;
    return settings;
}

QString TTestHost::StartOnce(const QStringList& hosts) {
    m_Lines.clear();
    m_Process.setProgram(ProgramPath());
    m_Process.setArguments(QStringList{QStringLiteral("--user"), UserName, QStringLiteral("--password"), Password,
                                       QStringLiteral("--http-port"), QString::number(HttpPort()),
                                       QStringLiteral("--https-port"), QString::number(HttpsPort()),
                                       QStringLiteral("--tcp-port"), QString::number(TcpPort()),
                                       QStringLiteral("--certificate"), CertificateFile()} +
                           hosts);
    m_Process.setProcessChannelMode(QProcess::SeparateChannels);
    m_Process.start();
    if (!m_Process.waitForStarted(10000))
        return QStringLiteral("cannot start %1: %2").arg(ProgramPath(), m_Process.errorString());
    const QDeadlineTimer deadline(30000);
    while (!m_Lines.contains(QStringLiteral("ready"))) {
        if (deadline.hasExpired() || m_Process.state() != QProcess::Running) {
            const QString error = QString::fromUtf8(m_Process.readAllStandardError()).trimmed();
            Stop();
            return QStringLiteral("the test host did not start: ") + error;
        }
        ReadLines(100);
    }
    m_Lines.removeAll(QStringLiteral("ready"));
    return QString();
}

void TTestHost::Stop() {
    if (m_Process.state() == QProcess::NotRunning)
        return;
    m_Process.terminate(); // SIGTERM to the host's process id
    if (!m_Process.waitForFinished(5000)) {
        m_Process.kill();
        m_Process.waitForFinished(5000);
    }
}

void TTestHost::ReadLines(int timeoutMs) {
    if (m_Process.bytesAvailable() == 0 || !m_Process.canReadLine())
        m_Process.waitForReadyRead(timeoutMs);
    while (m_Process.canReadLine()) {
        const QString line = QString::fromUtf8(m_Process.readLine()).trimmed();
        if (line.startsWith(QLatin1String("shutdown "))) {
            const QStringList words = line.split(QLatin1Char(' '));
            m_Shutdowns.append({words.value(1), words.value(2).toInt(), false, 0, 0, QString()});
        } else if (line.startsWith(QLatin1String("tracker "))) {
            const QStringList words = line.split(QLatin1Char(' '));
            m_Shutdowns.append({words.value(1), words.value(2).toInt(), true, words.value(3).toUInt(),
                                words.value(4).toUInt(),
                                QString::fromUtf8(QByteArray::fromPercentEncoding(words.value(5).toLatin1()))});
        } else if (line.startsWith(QLatin1String("unasked "))) {
            m_Unasked.append(line.section(QLatin1Char(' '), 1));
        } else {
            m_Lines.append(line);
        }
    }
}

QString TTestHost::Ask(const QString& command, const QString& answerPrefix) {
    m_Process.write(command.toUtf8() + '\n');
    m_Process.waitForBytesWritten(5000);
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_Process.state() == QProcess::Running) {
        for (qsizetype i = 0; i < m_Lines.size(); ++i) {
            if (m_Lines[i].startsWith(answerPrefix) || m_Lines[i].startsWith(QLatin1String("error"))) {
                return m_Lines.takeAt(i);
            }
        }
        ReadLines(100);
    }
    return QString();
}

bool TTestHost::SetBehaviour(const QString& spec) {
    return Ask(QStringLiteral("set ") + spec, QStringLiteral("ok")) == QLatin1String("ok");
}

QList<TTestHost::TShutdown> TTestHost::Shutdowns(int atLeast, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    ReadLines(0);
    while (m_Shutdowns.size() < atLeast && !deadline.hasExpired() && m_Process.state() == QProcess::Running)
        ReadLines(50);
    return m_Shutdowns;
}

QStringList TTestHost::UnaskedCredentials() {
    ReadLines(0);
    return m_Unasked;
}

int TTestHost::PeakCalls() {
    return Ask(QStringLiteral("peak"), QStringLiteral("peak ")).section(QLatin1Char(' '), 1).toInt();
}

void TTestHost::ResetPeakCalls() {
    Ask(QStringLiteral("resetpeak"), QStringLiteral("ok"));
}
