#include "TestHostProgram.h"

#include "HostDescription.h"
#include "HttpSession.h"
#include "SimulatedHost.h"

#include <QSaveFile>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>

#include <fcntl.h>
#include <unistd.h>

TTestHostProgram::TTestHostProgram(TTestHostOptions options) : m_Options(std::move(options)) {
    ::fcntl(STDOUT_FILENO, F_SETFL, ::fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
    m_OutputReady = std::make_unique<QSocketNotifier>(STDOUT_FILENO, QSocketNotifier::Write);
    m_OutputReady->setEnabled(false);
    connect(m_OutputReady.get(), &QSocketNotifier::activated, this, &TTestHostProgram::FlushOutput);
}

TTestHostProgram::~TTestHostProgram() = default;

QString TTestHostProgram::Start() {
    QList<THostSpec> specs;
    QList<QHostAddress> addresses;
    for (const QString& text : std::as_const(m_Options.Hosts)) {
        THostSpec spec;
        const QString error = THostSpec::Parse(text, spec);
        if (!error.isEmpty())
            return error;
        addresses += spec.Addresses;
        specs.append(spec);
    }
    if (m_Options.HttpsPort != 0) {
        m_Certificate = TSelfSignedCertificate::Make(QStringLiteral("dormiva-testhost"), addresses);
        if (m_Certificate.Certificate.isNull())
            return QStringLiteral("cannot make the self-signed certificate");
        if (const QString error = SaveCertificate(); !error.isEmpty())
            return error;
    }
    for (const THostSpec& spec : std::as_const(specs)) {
        for (const QHostAddress& address : std::as_const(spec.Addresses)) {
            if (m_Hosts.contains(address))
                return QStringLiteral("host given twice: ") + address.toString();
            auto* host = new TSimulatedHost(address, m_Options.UserName, m_Options.Password, this);
            host->SetBehaviour(spec.Behaviour);
            connect(host, &TSimulatedHost::shutdownAccepted, this, [this](const QHostAddress& from, int flags) {
                WriteLine(QStringLiteral("shutdown %1 %2").arg(from.toString()).arg(flags));
            });
            connect(
                host, &TSimulatedHost::trackerAccepted, this,
                [this](const QHostAddress& from, int flags, quint32 timeout, quint32 reason, const QString& comment) {
                    WriteLine(QStringLiteral("tracker %1 %2 %3 %4 %5")
                                  .arg(from.toString())
                                  .arg(flags)
                                  .arg(timeout)
                                  .arg(reason)
                                  .arg(QString::fromLatin1(comment.toUtf8().toPercentEncoding())));
                });
            connect(host, &TSimulatedHost::credentialsUnasked, this,
                    [this](const QHostAddress& from) { WriteLine(QStringLiteral("unasked ") + from.toString()); });
            m_Hosts.insert(address, host);
            const QString listenError = Listen(host);
            if (!listenError.isEmpty())
                return listenError;
        }
    }
    m_Control = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(m_Control.get(), &QSocketNotifier::activated, this, &TTestHostProgram::ReadControl);
    WriteLine(QStringLiteral("ready"));
    return QString();
}

QString TTestHostProgram::SaveCertificate() const {
    if (m_Options.CertificateFile.isEmpty())
        return QString();
    QSaveFile file(m_Options.CertificateFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_Certificate.Certificate.toPem()) < 0 || !file.commit())
        return QStringLiteral("cannot write the certificate to ") + m_Options.CertificateFile;
    return QString();
}

QString TTestHostProgram::Listen(TSimulatedHost* host) {
    const auto serve = [this, host](QTcpServer* server) {
        connect(server, &QTcpServer::pendingConnectionAvailable, host, [this, host, server] {
            while (QTcpSocket* socket = server->nextPendingConnection())
                new THttpSession(socket, host, &m_Counter);
        });
    };
    const auto listen = [host](QTcpServer* server, quint16 port) {
        return server->listen(host->Address(), port) ? QString()
                                                     : QStringLiteral("cannot listen on %1 port %2: %3")
                                                           .arg(host->Address().toString())
                                                           .arg(port)
                                                           .arg(server->errorString());
    };
    if (m_Options.HttpPort != 0) {
        auto* server = new QTcpServer(host);
        serve(server);
        if (QString error = listen(server, m_Options.HttpPort); !error.isEmpty())
            return error;
    }
    if (m_Options.HttpsPort != 0) {
        auto* server = new QSslServer(host);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(m_Certificate.Certificate);
        tls.setPrivateKey(m_Certificate.Key);
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        server->setSslConfiguration(tls);
        serve(server);
        if (QString error = listen(server, m_Options.HttpsPort); !error.isEmpty())
            return error;
    }
    if (m_Options.TcpPort != 0) {
        auto* server = new QTcpServer(host);
        connect(server, &QTcpServer::pendingConnectionAvailable, server, [server] {
            while (QTcpSocket* socket = server->nextPendingConnection())
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        });
        if (QString error = listen(server, m_Options.TcpPort); !error.isEmpty())
            return error;
    }
    return QString();
}

void TTestHostProgram::ReadControl() {
    char chunk[4096];
    const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (count <= 0) { // the test closed its end: nothing more to read
        m_Control->setEnabled(false);
        return;
    }
    m_ControlBuffer.append(chunk, qsizetype(count));
    qsizetype end;
    while ((end = m_ControlBuffer.indexOf('\n')) >= 0) {
        Command(QString::fromUtf8(m_ControlBuffer.left(end)).trimmed());
        m_ControlBuffer.remove(0, end + 1);
    }
}

void TTestHostProgram::Command(const QString& line) {
    const QString verb = line.section(QLatin1Char(' '), 0, 0);
    if (verb == QLatin1String("peak")) {
        WriteLine(QStringLiteral("peak %1").arg(m_Counter.Peak()));
    } else if (verb == QLatin1String("resetpeak")) {
        m_Counter.ResetPeak();
        WriteLine(QStringLiteral("ok"));
    } else if (verb == QLatin1String("set")) {
        THostSpec spec;
        QString error = THostSpec::Parse(line.section(QLatin1Char(' '), 1), spec);
        for (const QHostAddress& address : std::as_const(spec.Addresses)) {
            if (error.isEmpty() && !m_Hosts.contains(address))
                error = QStringLiteral("no such host: ") + address.toString();
        }
        if (error.isEmpty()) {
            for (const QHostAddress& address : std::as_const(spec.Addresses))
                m_Hosts.value(address)->SetBehaviour(spec.Behaviour);
        }
        WriteLine(error.isEmpty() ? QStringLiteral("ok") : QStringLiteral("error ") + error);
    } else if (!line.isEmpty()) {
        WriteLine(QStringLiteral("error unknown command: ") + line);
    }
}

void TTestHostProgram::WriteLine(const QString& line) {
    m_Output += line.toUtf8() + '\n';
    FlushOutput();
}

void TTestHostProgram::FlushOutput() {
    while (!m_Output.isEmpty()) {
        const ssize_t written = ::write(STDOUT_FILENO, m_Output.constData(), size_t(m_Output.size()));
        if (written <= 0)
            break; // full pipe (or gone): the notifier calls again when there is room
        m_Output.remove(0, qsizetype(written));
    }
    m_OutputReady->setEnabled(!m_Output.isEmpty());
}
