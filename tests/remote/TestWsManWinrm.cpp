#include "TTestHost.h"
#include "WsManEnvelope.h"
#include "WsManNamespaces.h"
#include "WsManResponse.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cstdio>
#include <cstdlib>

// An independent client, python3-winrm, sends our envelopes to the simulated host (127.0.7.x): the
// host must understand them and answer with well-formed WS-Management, with Basic authentication and
// with NTLM (sealed over HTTP), the way that client talks to Windows.
class TestWsManWinrm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void enumerateThenInvoke_data();
    void enumerateThenInvoke();
    void ntlmRefusals_data();
    void ntlmRefusals();

private:
    struct TOptions {
        QString Transport = QStringLiteral("basic");
        QString Password = TTestHost::Password;
        QString Encryption = QStringLiteral("auto");
        QString Binding = QStringLiteral("send");
    };
    // The answer, empty when the client failed; m_ExitCode says how it ended (4: credentials refused).
    QByteArray Send(const QString& endpoint, const QByteArray& envelope, const TOptions& options);
    QString Endpoint(const QString& address, bool https) const;
    TTestHost m_Host;
    QTemporaryDir m_Folder;
    int m_ExitCode = 0;
};

void TestWsManWinrm::initTestCase() {
    // Debian's module is only seen by Debian's interpreter, which the PATH may not find first.
    QProcess probe;
    probe.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import winrm")});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        std::fprintf(stderr, "SKIP: /usr/bin/python3 cannot import winrm (install python3-winrm)\n");
        std::exit(77);
    }
    // That client sends Basic credentials unasked, which Windows takes; over HTTP only where the host
    // allows unencrypted traffic.
    const QString error =
        m_Host.Start({QStringLiteral("127.0.7.2,preemptive"), QStringLiteral("127.0.7.3,singleton,preemptive"),
                      QStringLiteral("127.0.7.4,unencrypted"), QStringLiteral("127.0.7.5,preemptive,unencrypted"),
                      QStringLiteral("127.0.7.6,cbtstrict")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

QString TestWsManWinrm::Endpoint(const QString& address, bool https) const {
    return QStringLiteral("%1://%2:%3/wsman")
        .arg(https ? QStringLiteral("https") : QStringLiteral("http"), address)
        .arg(https ? m_Host.HttpsPort() : m_Host.HttpPort());
}

QByteArray TestWsManWinrm::Send(const QString& endpoint, const QByteArray& envelope, const TOptions& options) {
    static int count = 0;
    const QString request = m_Folder.filePath(QStringLiteral("request%1.xml").arg(++count));
    const QString answer = m_Folder.filePath(QStringLiteral("answer%1.xml").arg(count));
    QFile file(request);
    if (!file.open(QIODevice::WriteOnly) || file.write(envelope) != envelope.size())
        return QByteArray();
    file.close();
    QProcess python;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // requests lets these override winrm's "ignore" for the self-signed certificate; no proxy for loopback.
    environment.remove(QStringLiteral("REQUESTS_CA_BUNDLE"));
    environment.remove(QStringLiteral("CURL_CA_BUNDLE"));
    environment.insert(QStringLiteral("NO_PROXY"), QStringLiteral("*"));
    environment.insert(QStringLiteral("OPENSSL_CONF"),
                       QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/wsman/openssl-md4.cnf"));
    python.setProcessEnvironment(environment);
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/wsman/winrm_send.py"), endpoint, TTestHost::UserName,
                  options.Password, request, answer, options.Transport, options.Encryption, options.Binding});
    const bool finished = python.waitForFinished(60000);
    m_ExitCode = finished ? python.exitCode() : -1;
    if (m_ExitCode != 0) {
        qWarning("%s", python.readAllStandardError().constData());
        return QByteArray();
    }
    QFile result(answer);
    return result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
}

void TestWsManWinrm::enumerateThenInvoke_data() {
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<int>("selectors");
    QTest::addColumn<QString>("transport");
    QTest::newRow("HTTP where the host allows it") << Endpoint(QStringLiteral("127.0.7.5"), false) << 2 << "basic";
    QTest::newRow("HTTPS, singleton") << Endpoint(QStringLiteral("127.0.7.3"), true) << 0 << "basic";
    QTest::newRow("NTLM, sealed over HTTP") << Endpoint(QStringLiteral("127.0.7.2"), false) << 2 << "ntlm";
    QTest::newRow("NTLM over HTTPS, singleton") << Endpoint(QStringLiteral("127.0.7.3"), true) << 0 << "ntlm";
}

void TestWsManWinrm::enumerateThenInvoke() {
    QFETCH(QString, endpoint);
    QFETCH(int, selectors);
    QFETCH(QString, transport);
    TOptions options;
    options.Transport = transport;
    const TWsManEnvelope envelope(endpoint, 60000);
    const QString cimv2 = WsManNs::WmiResourcePrefix + QStringLiteral("root/cimv2/");

    const QByteArray enumerated =
        Send(endpoint,
             envelope.Enumerate(cimv2 + QLatin1Char('*'), QStringLiteral("SELECT * FROM Win32_OperatingSystem "
                                                                         "WHERE Primary=True")),
             options);
    QVERIFY(!enumerated.isEmpty());
    QXmlStreamReader wellFormed(enumerated);
    while (!wellFormed.atEnd())
        wellFormed.readNext();
    QVERIFY2(!wellFormed.hasError(), qPrintable(wellFormed.errorString()));
    const TWsManResponse enumeration = TWsManResponse::Parse(enumerated);
    QVERIFY(enumeration.ParseError.isEmpty());
    QVERIFY(enumeration.IsBody(WsManNs::Enumeration, QStringLiteral("EnumerateResponse")));
    QVERIFY(enumeration.EndOfSequence);
    QCOMPARE(enumeration.Items.size(), 1);
    QCOMPARE(enumeration.Items[0].ResourceUri, cimv2 + QStringLiteral("Win32_OperatingSystem"));
    QCOMPARE(enumeration.Items[0].Selectors.size(), selectors);
    QVERIFY(enumerated.contains("xsi:type=\"p:Win32_OperatingSystem_Type\""));

    const qsizetype before = m_Host.Shutdowns().size();
    const QByteArray invoked = Send(endpoint,
                                    envelope.Invoke(enumeration.Items[0], QStringLiteral("Win32Shutdown"),
                                                    {{QStringLiteral("Flags"), QStringLiteral("6")},
                                                     {QStringLiteral("Reserved"), QStringLiteral("0")}}),
                                    options);
    const TWsManResponse output = TWsManResponse::Parse(invoked);
    QVERIFY(output.ParseError.isEmpty());
    QVERIFY(output.IsBody(enumeration.Items[0].ResourceUri, QStringLiteral("Win32Shutdown_OUTPUT")));
    QCOMPARE(output.OutputValues.value(QStringLiteral("ReturnValue")), QStringLiteral("0"));
    const QList<TTestHost::TShutdown> shutdowns = m_Host.Shutdowns(int(before) + 1);
    QCOMPARE(shutdowns.size(), before + 1);
    QCOMPARE(shutdowns.last().Flags, 6);
}

void TestWsManWinrm::ntlmRefusals_data() {
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("encryption");
    QTest::addColumn<QString>("binding");
    QTest::addColumn<int>("exitCode");
    const QString password = TTestHost::Password;
    const QString strict = Endpoint(QStringLiteral("127.0.7.6"), true);
    QTest::newRow("wrong password") << Endpoint(QStringLiteral("127.0.7.2"), false) << "Secret!2-wrong"
                                    << "auto"
                                    << "send" << 4;
    QTest::newRow("wrong password over HTTPS") << Endpoint(QStringLiteral("127.0.7.2"), true) << "Secret!2-wrong"
                                               << "auto"
                                               << "send" << 4;
    QTest::newRow("unsealed body over HTTP") << Endpoint(QStringLiteral("127.0.7.2"), false) << password << "never"
                                             << "send" << 4;
    QTest::newRow("unsealed body where the host allows it")
        << Endpoint(QStringLiteral("127.0.7.4"), false) << password << "never"
        << "send" << 0;
    // That client computes the certificate's hash on its own: the host must agree with it.
    QTest::newRow("channel binding where the host demands it") << strict << password << "auto"
                                                               << "send" << 0;
    QTest::newRow("no channel binding where the host demands it") << strict << password << "auto"
                                                                  << "omit" << 4;
    QTest::newRow("no channel binding where it is optional")
        << Endpoint(QStringLiteral("127.0.7.2"), true) << password << "auto"
        << "omit" << 0;
}

void TestWsManWinrm::ntlmRefusals() {
    QFETCH(QString, endpoint);
    QFETCH(QString, password);
    QFETCH(QString, encryption);
    QFETCH(QString, binding);
    QFETCH(int, exitCode);
    TOptions options;
    options.Transport = QStringLiteral("ntlm");
    options.Password = password;
    options.Encryption = encryption;
    options.Binding = binding;
    const TWsManEnvelope envelope(endpoint, 60000);
    const QByteArray answer = Send(endpoint,
                                   envelope.Enumerate(WsManNs::WmiResourcePrefix + QStringLiteral("root/cimv2/*"),
                                                      QStringLiteral("SELECT * FROM Win32_OperatingSystem "
                                                                     "WHERE Primary=True")),
                                   options);
    QCOMPARE(m_ExitCode, exitCode);
    if (exitCode == 0)
        QVERIFY(TWsManResponse::Parse(answer).IsBody(WsManNs::Enumeration, QStringLiteral("EnumerateResponse")));
}

QTEST_GUILESS_MAIN(TestWsManWinrm)
#include "TestWsManWinrm.moc"
