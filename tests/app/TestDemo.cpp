#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Starts the real program with --demo: the unattended run reaches the demo's hosts and leaves the
// user's own settings alone; the hosts end with the program, also when it is killed; a second demo
// and a taken port are reported and end the program.
class TestDemo : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void unattendedRunReachesTheHosts();
    void killedDemoTakesItsHostsAlong();
    void secondDemoSaysSoAndEnds();
    void takenPortEndsTheDemo();

private:
    QProcess& Start(quint16 port, bool unattended);
    static bool Finished(QProcess& process, int timeoutMs = 60000);
    static bool HostsListen(quint16 port);
    static quint16 RandomPort() { return quint16(QRandomGenerator::global()->bounded(20000, 60000)); }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::vector<std::unique_ptr<QProcess>> m_programs;
};

void TestDemo::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QDir(m_folder->path()).mkpath("runtime");
    QFile::setPermissions(m_folder->filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestDemo::cleanup() {
    for (const auto& program : m_programs) {
        program->kill();
        program->waitForFinished(5000);
    }
    m_programs.clear();
    m_folder.reset();
}

QProcess& TestDemo::Start(quint16 port, bool unattended) {
    auto program = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", m_folder->filePath("config"));
    environment.insert("XDG_RUNTIME_DIR", m_folder->filePath("runtime"));
    program->setProcessEnvironment(environment);
    QStringList arguments{"--demo", QString("--demo-port=%1").arg(port)};
    if (unattended)
        arguments << "--demo-run";
    program->start(DORMIVA_BINARY_DIR "/src/app/dormiva", arguments);
    m_programs.push_back(std::move(program));
    return *m_programs.back();
}

bool TestDemo::Finished(QProcess& process, int timeoutMs) {
    return process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
}

bool TestDemo::HostsListen(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress("127.66.0.1"), port);
    return socket.waitForConnected(2000);
}

void TestDemo::unattendedRunReachesTheHosts() {
    const quint16 port = RandomPort();
    QProcess& demo = Start(port, true);
    QVERIFY(Finished(demo, 120000));
    const QString errors = QString::fromLocal8Bit(demo.readAllStandardError());
    QCOMPARE(demo.exitCode(), 0);
    const QStringList lines = QString::fromLocal8Bit(demo.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.filter(QRegularExpression("^SUCCESS\t")).size(), 14);
    QCOMPARE(lines.filter(QRegularExpression("^ERROR\t")).size(), 6);
    QVERIFY2(lines.filter(QRegularExpression("^ERROR\t127\\.66\\.1\\.5: .*1191")).size() == 1, qPrintable(errors));
    QCOMPARE(lines.last(), QString("INFO\tAll jobs have finished."));

    QVERIFY(QFileInfo::exists(m_folder->filePath("config/Vardolin/Dormiva-demo/default.dvl")));
    QVERIFY(!QFileInfo::exists(m_folder->filePath("config/Vardolin/Dormiva")));
    QVERIFY(!HostsListen(port));
}

void TestDemo::killedDemoTakesItsHostsAlong() {
    const quint16 port = RandomPort();
    QProcess& demo = Start(port, false);
    QTRY_VERIFY_WITH_TIMEOUT(HostsListen(port), 60000);
    demo.kill(); // SIGKILL: the program has no say
    QVERIFY(demo.waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(!HostsListen(port), 10000);
}

void TestDemo::secondDemoSaysSoAndEnds() {
    const quint16 port = RandomPort();
    QProcess& first = Start(port, false);
    QTRY_VERIFY_WITH_TIMEOUT(HostsListen(port), 60000);
    QProcess& second = Start(RandomPort(), true);
    QVERIFY(Finished(second));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(QString::fromLocal8Bit(second.readAllStandardError()).contains("The Dormiva demo is already running."));
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(HostsListen(port));
}

void TestDemo::takenPortEndsTheDemo() {
    QTcpServer other;
    quint16 port = 0;
    for (int attempt = 0; attempt < 20 && !other.isListening(); ++attempt) {
        port = RandomPort();
        other.listen(QHostAddress("127.66.0.1"), port);
    }
    QVERIFY(other.isListening());
    QProcess& demo = Start(port, true);
    QVERIFY(Finished(demo));
    QCOMPARE(demo.exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(demo.readAllStandardError());
    QVERIFY2(errors.contains(QString("cannot listen on port %1").arg(port)), qPrintable(errors));
}

QTEST_GUILESS_MAIN(TestDemo)
#include "TestDemo.moc"
