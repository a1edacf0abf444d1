#include "TNetworkNamespace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {

bool Run(const QString& program, const QStringList& args, QString* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    const bool ok =
        process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return ok;
}

// Where "ip netns exec" finds the files it puts over those of /etc for the namespace.
QString EtcFolder(const QString& name) {
    return QStringLiteral("/etc/netns/%1").arg(name);
}

QString IpProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("ip"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                                                 QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
}

} // namespace

TNetworkNamespace::TNetworkNamespace(const QString& label)
    : m_name(QStringLiteral("dormiva-%1-%2").arg(label).arg(QCoreApplication::applicationPid())) {
    m_created = Run(IpProgram(), {QStringLiteral("netns"), QStringLiteral("add"), m_name});
    if (m_created)
        Ip({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")});
}

TNetworkNamespace::~TNetworkNamespace() {
    // Removing the namespace also removes the interfaces inside it, but not its files under /etc.
    if (m_created)
        Run(IpProgram(), {QStringLiteral("netns"), QStringLiteral("delete"), m_name});
    QDir(EtcFolder(m_name)).removeRecursively();
    if (m_madeEtcNetns)
        QDir(QStringLiteral("/etc")).rmdir(QStringLiteral("netns"));
}

bool TNetworkNamespace::CanCreate(QString* why) {
    if (IpProgram().isEmpty()) {
        *why = QStringLiteral("the ip program (Debian iproute2) is not installed");
        return false;
    }
    const QString name = QStringLiteral("dormiva-check-%1").arg(QCoreApplication::applicationPid());
    QString output;
    if (!Run(IpProgram(), {QStringLiteral("netns"), QStringLiteral("add"), name}, &output)) {
        *why = QStringLiteral("no permission to create network namespaces (%1)").arg(output);
        return false;
    }
    Run(IpProgram(), {QStringLiteral("netns"), QStringLiteral("delete"), name});
    return true;
}

bool TNetworkNamespace::Ip(const QStringList& args) const {
    return Run(IpProgram(), QStringList{QStringLiteral("-n"), m_name} + args);
}

QString TNetworkNamespace::HardwareAddress(const QString& device) const {
    QString output;
    if (!Run(IpProgram(),
             {QStringLiteral("-n"), m_name, QStringLiteral("-br"), QStringLiteral("link"), QStringLiteral("show"),
              QStringLiteral("dev"), device},
             &output))
        return {};
    // "p0@if2  UP  aa:bb:cc:dd:ee:ff <BROADCAST,...>"
    return output.simplified().section(u' ', 2, 2);
}

bool TNetworkNamespace::Exec(const QStringList& command) const {
    return Run(IpProgram(), QStringList{QStringLiteral("netns"), QStringLiteral("exec"), m_name} + command);
}

bool TNetworkNamespace::SetResolverConfig(const QByteArray& text) const {
    QFile file(EtcFolder(m_name) + QStringLiteral("/resolv.conf"));
    m_madeEtcNetns = m_madeEtcNetns || !QFileInfo::exists(QStringLiteral("/etc/netns"));
    return QDir().mkpath(EtcFolder(m_name)) && file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

bool TNetworkNamespace::EnterOnThisThread() const {
    const QByteArray path = QStringLiteral("/run/netns/%1").arg(m_name).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A network namespace belongs to the thread: the rest of the test process stays where it was.
    const bool entered = ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    return entered;
}

int RunNamespaceTest(QObject* test, int argc, char** argv, const QString& missing) {
    QString why = missing;
    if (why.isEmpty())
        TNetworkNamespace::CanCreate(&why);
    if (!why.isEmpty()) {
        std::fprintf(stderr, "SKIP: %s\n", qPrintable(why));
        return 77;
    }
    return QTest::qExec(test, argc, argv);
}
