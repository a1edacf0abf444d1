#include "ERemoteError.h"
#include "TEnglishTexts.h"
#include "TTestHost.h"
#include "uProgramOptions.h"
#include "uWmiShutdown.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

#include <optional>
#include <thread>
#include <vector>

// The simulated hosts of this test live on 127.0.6.x.
class TestWmiShutdown : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void flags_data();
    void flags();
    void settingsFromOptions();
    void acceptedRequestSendsFlags_data();
    void acceptedRequestSendsFlags();
    void noOperatingSystemReturnsMinusOne();
    void failures_data();
    void failures();
    void missingUserName_data();
    void missingUserName();
    void unansweredShutdownIsToldApart();
    void hostBehaviourChangesWhileRunning();
    void basicOnlyOverHttpsUnlessAllowed_data();
    void basicOnlyOverHttpsUnlessAllowed();
    void hostRefusesCredentialsItDidNotAskFor_data();
    void hostRefusesCredentialsItDidNotAskFor();
    void concurrentCallsAreCountedAtTheHosts();
    void plainPortIsHeldOpen();
    void trustedCaFile_data();
    void trustedCaFile();

private:
    TTestHost m_Host;
    TEnglishTexts m_English;
};

void TestWmiShutdown::initTestCase() {
    QVERIFY(m_English.IsLoaded());
    const QString error = m_Host.Start({
        // Basic over HTTP is what these hosts are asked for, so they allow it as Windows can be told to.
        QStringLiteral("127.0.6.2,unencrypted"),
        QStringLiteral("127.0.6.3,singleton,unencrypted"),
        QStringLiteral("127.0.6.4,noos,unencrypted"),
        QStringLiteral("127.0.6.5,deny,unencrypted"),
        QStringLiteral("127.0.6.6,unencrypted,fault=Access denied, says WMI"),
        QStringLiteral("127.0.6.7,return=1191,unencrypted"),
        QStringLiteral("127.0.6.8,drop,unencrypted"),
        QStringLiteral("127.0.6.9,silent,unencrypted"),
        QStringLiteral("127.0.6.10,huge,unencrypted"),
        QStringLiteral("127.0.6.11,return=4242,unencrypted"),
        QStringLiteral("127.0.6.12,unencrypted"),
        QStringLiteral("127.0.6.13-127.0.6.16,delay=1000,unencrypted"),
        QStringLiteral("127.0.6.17,delay=5000,unencrypted"),
        QStringLiteral("127.0.6.18,preemptive,unencrypted"),
        QStringLiteral("127.0.6.19"),
    });
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestWmiShutdown::flags_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("forced");
    QTest::addColumn<int>("expected");
    QTest::newRow("turn off") << 0 << false << 8;
    QTest::newRow("turn off, forced (shutdown job)") << 0 << true << 12;
    QTest::newRow("restart") << 1 << false << 2;
    QTest::newRow("restart, forced (restart job)") << 1 << true << 6;
    QTest::newRow("log off") << 2 << false << 0;
    QTest::newRow("log off, forced") << 2 << true << 4;
    QTest::newRow("unknown type powers off") << 7 << true << 12;
    QTest::newRow("negative type powers off") << -1 << false << 8;
}

void TestWmiShutdown::flags() {
    QFETCH(int, type);
    QFETCH(bool, forced);
    QFETCH(int, expected);
    QCOMPARE(ShutdownFlags(type, forced), expected);
}

void TestWmiShutdown::settingsFromOptions() {
    TProgramOptions options;
    TRemoteSettings settings = RemoteSettingsFromOptions(options);
    QVERIFY(!settings.Https);
    QCOMPARE(settings.EffectivePort(), 5985);
    QCOMPARE(settings.Authentication, TRemoteAuthentication::Negotiate);
    QVERIFY(settings.VerifyCertificate);
    QVERIFY(!settings.AllowUnencrypted);
    QCOMPARE(settings.EffectiveTimeoutSeconds(), 60);
    QCOMPARE(settings.CaFile, QString());

    options.RemoteProtocol = QStringLiteral("HTTPS");
    options.RemoteCaFile = QStringLiteral("/etc/ssl/corp-ca.pem");
    options.RemoteAuthentication = QStringLiteral(" Basic ");
    options.RemoteVerifyCertificate = false;
    options.RemoteTimeout = 0;
    options.RemoteAllowUnencrypted = true;
    settings = RemoteSettingsFromOptions(options);
    QVERIFY(settings.AllowUnencrypted);
    QVERIFY(settings.Https);
    QCOMPARE(settings.EffectivePort(), 5986);
    QCOMPARE(settings.Authentication, TRemoteAuthentication::Basic);
    QVERIFY(!settings.VerifyCertificate);
    QCOMPARE(settings.CaFile, QStringLiteral("/etc/ssl/corp-ca.pem"));
    QCOMPARE(settings.EffectiveTimeoutSeconds(), 60); // never an unbounded wait

    options.RemotePort = 15985;
    options.RemoteAuthentication = QStringLiteral("something else");
    settings = RemoteSettingsFromOptions(options);
    QCOMPARE(settings.EffectivePort(), 15985);
    QCOMPARE(settings.Authentication, TRemoteAuthentication::Negotiate);
}

void TestWmiShutdown::acceptedRequestSendsFlags_data() {
    QTest::addColumn<QString>("computer");
    QTest::addColumn<bool>("https");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("forced");
    QTest::addColumn<int>("flags");
    QTest::newRow("power off job over HTTP") << "127.0.6.2" << false << 0 << true << 12;
    QTest::newRow("restart job over HTTPS") << "127.0.6.2" << true << 1 << true << 6;
    QTest::newRow("log off, not forced") << "127.0.6.2" << false << 2 << false << 0;
    QTest::newRow("singleton without selectors") << "127.0.6.3" << true << 1 << false << 2;
}

void TestWmiShutdown::acceptedRequestSendsFlags() {
    QFETCH(QString, computer);
    QFETCH(bool, https);
    QFETCH(int, type);
    QFETCH(bool, forced);
    QFETCH(int, flags);
    const TRemoteSettings settings = m_Host.BasicSettings(https, 2);
    const qsizetype before = m_Host.Shutdowns().size();
    QCOMPARE(ShutdownComputer(computer, TTestHost::UserName, TTestHost::Password, type, forced, settings), 0);
    const QList<TTestHost::TShutdown> shutdowns = m_Host.Shutdowns(int(before) + 1);
    QCOMPARE(shutdowns.size(), before + 1);
    QCOMPARE(shutdowns.last().Address, computer);
    QCOMPARE(shutdowns.last().Flags, flags);
}

void TestWmiShutdown::noOperatingSystemReturnsMinusOne() {
    const qsizetype before = m_Host.Shutdowns().size();
    QCOMPARE(ShutdownComputer(QStringLiteral("127.0.6.4"), TTestHost::UserName, TTestHost::Password, 0, true,
                              m_Host.BasicSettings()),
             -1);
    QCOMPARE(m_Host.Shutdowns().size(), before);
}

void TestWmiShutdown::failures_data() {
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("https");
    QTest::addColumn<bool>("verify");
    QTest::addColumn<int>("authentication");
    QTest::addColumn<qint64>("code");
    QTest::addColumn<QString>("text"); // the whole text, or parts of it each followed by "|"
    const int basic = int(TRemoteAuthentication::Basic);
    const QString password = TTestHost::Password;
    const QString denied = QStringLiteral("Access is denied.");
    const int http = m_Host.HttpPort();
    const int https = m_Host.HttpsPort();
    QTest::newRow("host denies the credentials")
        << "127.0.6.5" << password << false << false << basic << qint64(5) << denied;
    QTest::newRow("wrong password") << "127.0.6.2"
                                    << "Secret!2-wrong" << true << false << basic << qint64(5) << denied;
    QTest::newRow("fault text reaches the caller")
        << "127.0.6.6" << password << false << false << basic << qint64(2147749889) << "Access denied, says WMI";
    QTest::newRow("refused Win32Shutdown: the text says what to do")
        << "127.0.6.7" << password << false << false << basic << qint64(1191)
        << "Other users are logged on to the computer, so it refuses to go down without force (code 1191). Use "
           "Forced to go ahead anyway; their unsaved work is lost.";
    QTest::newRow("refused with an unknown code")
        << "127.0.6.11" << password << false << false << basic << qint64(4242) << "System Error.  Code: 4242.\r\n";
    QTest::newRow("dropped connection") << "127.0.6.8" << password << false << false << basic << qint64(0)
                                        << QStringLiteral("The connection to 127.0.6.8 on port %1 failed: |").arg(http);
    QTest::newRow("silent host") << "127.0.6.9" << password << false << false << basic << qint64(0)
                                 << QStringLiteral("127.0.6.9 did not answer on port %1 within 2 seconds.").arg(http);
    QTest::newRow("silent host over HTTPS")
        << "127.0.6.9" << password << true << false << basic << qint64(0)
        << QStringLiteral("127.0.6.9 did not answer on port %1 within 2 seconds.").arg(https);
    QTest::newRow("nobody listens: WinRM not enabled")
        << "127.0.6.99" << password << false << false << basic << qint64(0)
        << QStringLiteral("127.0.6.99 refused the connection on port %1: WinRM is not enabled on that computer. "
                          "Enable it there with Enable-PSRemoting or winrm quickconfig.")
               .arg(http);
    QTest::newRow("host that keeps Windows' default refuses Basic over HTTP")
        << "127.0.6.19" << password << false << false << basic << qint64(5) << denied;
    QTest::newRow("self-signed certificate checked")
        << "127.0.6.2" << password << true << true << basic << qint64(0)
        << QStringLiteral("The connection to 127.0.6.2 on port %1 failed: |certificate|").arg(https);
    QTest::newRow("50 MB answer")
        << "127.0.6.10" << password << false << false << basic << qint64(0)
        << QStringLiteral("The answer of 127.0.6.10 on port %1 is larger than 16 MB.").arg(http);
    QTest::newRow("Kerberos for an address")
        << "127.0.6.2" << password << false << false << int(TRemoteAuthentication::Kerberos) << qint64(0)
        << "Kerberos needs the DNS name of the computer, not \"127.0.6.2\": tickets are issued for names, not "
           "addresses.";
    QTest::newRow("name that is no host") << "bad name/x" << password << false << false << basic << qint64(0)
                                          << "The computer name \"bad name/x\" cannot be used in an address.";
}

void TestWmiShutdown::missingUserName_data() {
    QTest::addColumn<int>("authentication");
    QTest::addColumn<QString>("text");
    QTest::newRow("Basic") << int(TRemoteAuthentication::Basic)
                           << "Basic authentication at 127.0.6.2 needs a user name and a password; the user name is "
                              "empty.";
    QTest::newRow("NTLM") << int(TRemoteAuthentication::Ntlm)
                          << "The NTLM logon at 127.0.6.2 needs a user name and a password.";
    // No Kerberos for an address: Negotiate is NTLM there.
    QTest::newRow("Negotiate for an address")
        << int(TRemoteAuthentication::Negotiate) << "The NTLM logon at 127.0.6.2 needs a user name and a password.";
}

// Off Windows only Kerberos has an identity of the user who runs the program; the others say what is missing.
void TestWmiShutdown::missingUserName() {
    QFETCH(int, authentication);
    QFETCH(QString, text);
    TRemoteSettings settings = m_Host.Settings(true, 2);
    settings.Authentication = TRemoteAuthentication(authentication);
    const qsizetype before = m_Host.Shutdowns().size();
    QVERIFY_THROWS_EXCEPTION(ERemoteError, [&] {
        try {
            ShutdownComputer(QStringLiteral("127.0.6.2"), QString(), QString(), 0, true, settings);
        } catch (const ERemoteError& error) {
            QCOMPARE(error.Text(), text);
            throw;
        }
    }());
    QCOMPARE(m_Host.Shutdowns().size(), before);
}

void TestWmiShutdown::failures() {
    QFETCH(QString, computer);
    QFETCH(QString, password);
    QFETCH(bool, https);
    QFETCH(bool, verify);
    QFETCH(int, authentication);
    QFETCH(qint64, code);
    QFETCH(QString, text);
    TRemoteSettings settings = m_Host.BasicSettings(https, 2);
    settings.VerifyCertificate = verify;
    settings.Authentication = TRemoteAuthentication(authentication);
    // Sending 16 MB can outlast two seconds on a loaded or sanitized build; the size limit is what is checked.
    if (QByteArray(QTest::currentDataTag()) == "50 MB answer")
        settings.TimeoutSeconds = 30;
    const qsizetype before = m_Host.Shutdowns().size();
    QElapsedTimer clock;
    clock.start();
    std::optional<ERemoteError> raised;
    try {
        ShutdownComputer(computer, TTestHost::UserName, password, 1, true, settings);
    } catch (const ERemoteError& error) {
        raised = error;
    }
    QVERIFY2(raised.has_value(), "no error raised");
    // RemoteTimeout bounds every call, whatever the other side does; the slack is for loaded machines.
    QVERIFY2(clock.elapsed() < settings.TimeoutSeconds * 1000 + 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(raised->Code(), code);
    if (text.contains(QLatin1Char('|'))) {
        for (const QString& part : text.split(QLatin1Char('|'), Qt::SkipEmptyParts))
            QVERIFY2(raised->Text().contains(part), qPrintable(raised->Text()));
    } else {
        QCOMPARE(raised->Text(), text);
    }
    QVERIFY(!raised->Text().contains(password));
    QVERIFY(!raised->Text().contains(TTestHost::Password));
    if (code != 1191 && code != 4242)
        QCOMPARE(m_Host.Shutdowns().size(), before);
}

// A Win32Shutdown that went out and was not answered in time may still be carried out; an unanswered
// query cannot act, and says so by the flag alone.
void TestWmiShutdown::unansweredShutdownIsToldApart() {
    for (const auto& [computer, unanswered] : {std::pair{"127.0.6.17", true}, std::pair{"127.0.6.9", false}}) {
        const qsizetype before = m_Host.Shutdowns().size();
        try {
            ShutdownComputer(QString::fromLatin1(computer), TTestHost::UserName, TTestHost::Password, 1, true,
                             m_Host.BasicSettings(false, 2));
            QFAIL("no error raised");
        } catch (const ERemoteError& error) {
            QCOMPARE(error.Unanswered(), unanswered);
            QCOMPARE(error.Text(), QStringLiteral("%1 did not answer on port %2 within 2 seconds.")
                                       .arg(QString::fromLatin1(computer))
                                       .arg(m_Host.HttpPort()));
        }
        QCOMPARE(m_Host.Shutdowns(before + (unanswered ? 1 : 0)).size() - before, unanswered ? 1 : 0);
    }
}

void TestWmiShutdown::hostBehaviourChangesWhileRunning() {
    const QString computer = QStringLiteral("127.0.6.12");
    QVERIFY(m_Host.SetBehaviour(computer + QStringLiteral(",deny,unencrypted")));
    QVERIFY_THROWS_EXCEPTION(ERemoteError, ShutdownComputer(computer, TTestHost::UserName, TTestHost::Password, 0, true,
                                                            m_Host.BasicSettings()));
    QVERIFY(m_Host.SetBehaviour(computer + QStringLiteral(",unencrypted")));
    QCOMPARE(ShutdownComputer(computer, TTestHost::UserName, TTestHost::Password, 0, true, m_Host.BasicSettings()), 0);
    QVERIFY(!m_Host.SetBehaviour(QStringLiteral("127.0.6.200")));
    QVERIFY(!m_Host.SetBehaviour(computer + QStringLiteral(",nonsense")));
}

void TestWmiShutdown::basicOnlyOverHttpsUnlessAllowed_data() {
    QTest::addColumn<bool>("https");
    QTest::addColumn<bool>("allowUnencrypted");
    QTest::addColumn<bool>("sent");
    QTest::newRow("HTTP refused") << false << false << false;
    QTest::newRow("HTTP allowed unencrypted") << false << true << true;
    QTest::newRow("HTTPS") << true << false << true;
}

// The password goes out only where it is encrypted or allowed not to be, and only once the host asked.
void TestWmiShutdown::basicOnlyOverHttpsUnlessAllowed() {
    QFETCH(bool, https);
    QFETCH(bool, allowUnencrypted);
    QFETCH(bool, sent);
    TRemoteSettings settings = m_Host.BasicSettings(https);
    settings.AllowUnencrypted = allowUnencrypted;
    const QString computer = QStringLiteral("127.0.6.2");
    const qsizetype before = m_Host.Shutdowns().size();
    if (sent) {
        QCOMPARE(ShutdownComputer(computer, TTestHost::UserName, TTestHost::Password, 0, true, settings), 0);
        QCOMPARE(m_Host.Shutdowns(int(before) + 1).size(), before + 1);
    } else {
        try {
            ShutdownComputer(computer, TTestHost::UserName, TTestHost::Password, 0, true, settings);
            QFAIL("Basic went out over HTTP");
        } catch (const ERemoteError& error) {
            QCOMPARE(error.Text(), "Basic authentication would send the password to 127.0.6.2 readable on the "
                                   "network. Use HTTPS, or allow it over unencrypted HTTP in the Preferences.");
        }
        QCOMPARE(m_Host.Shutdowns().size(), before);
    }
    QCOMPARE(m_Host.UnaskedCredentials(), QStringList());
}

void TestWmiShutdown::hostRefusesCredentialsItDidNotAskFor_data() {
    QTest::addColumn<QString>("computer");
    QTest::addColumn<bool>("refused");
    QTest::newRow("default host") << "127.0.6.12" << true;
    QTest::newRow("host that takes them unasked, as Windows does") << "127.0.6.18" << false;
}

// The check above is only as good as the host's: credentials in the first request are seen and refused.
void TestWmiShutdown::hostRefusesCredentialsItDidNotAskFor() {
    QFETCH(QString, computer);
    QFETCH(bool, refused);
    const qsizetype before = m_Host.UnaskedCredentials().size();
    QTcpSocket socket;
    socket.connectToHost(computer, m_Host.HttpPort());
    QVERIFY(socket.waitForConnected(5000));
    const QByteArray body = "<s:Envelope/>";
    socket.write("POST /wsman HTTP/1.1\r\nHost: " + computer.toLatin1() + "\r\nAuthorization: Basic " +
                 (TTestHost::UserName + ':' + TTestHost::Password).toUtf8().toBase64() +
                 "\r\nContent-Type: application/soap+xml;charset=UTF-8\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QTRY_VERIFY_WITH_TIMEOUT(socket.canReadLine() || (socket.waitForReadyRead(100) && socket.canReadLine()), 10000);
    QCOMPARE(socket.readLine().startsWith("HTTP/1.1 401"), refused);
    QTRY_COMPARE_WITH_TIMEOUT(m_Host.UnaskedCredentials().size(), before + (refused ? 1 : 0), 10000);
    if (refused)
        QCOMPARE(m_Host.UnaskedCredentials().last(), computer);
}

void TestWmiShutdown::concurrentCallsAreCountedAtTheHosts() {
    // Four calls held for a second each overlap at the hosts; calls share no connection or state.
    m_Host.ResetPeakCalls();
    std::vector<std::thread> callers;
    std::atomic<int> accepted = 0;
    for (int i = 13; i <= 16; ++i) {
        callers.emplace_back([i, &accepted, settings = m_Host.BasicSettings(false, 30)] {
            if (ShutdownComputer(QStringLiteral("127.0.6.%1").arg(i), TTestHost::UserName, TTestHost::Password, 1, true,
                                 settings) == 0)
                ++accepted;
        });
    }
    for (std::thread& caller : callers)
        caller.join();
    QCOMPARE(accepted.load(), 4);
    QCOMPARE(m_Host.PeakCalls(), 4);
}

void TestWmiShutdown::plainPortIsHeldOpen() {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.6.2"), m_Host.TcpPort());
    QVERIFY(socket.waitForConnected(5000));
    QVERIFY(!socket.waitForDisconnected(200));
    QTcpSocket nobody;
    nobody.connectToHost(QStringLiteral("127.0.6.99"), m_Host.TcpPort());
    QVERIFY(!nobody.waitForConnected(5000));
}

void TestWmiShutdown::trustedCaFile_data() {
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<QString>("failure"); // part of the error text; empty when the call succeeds
    QTest::newRow("the host's own certificate") << m_Host.CertificateFile() << QString();
    QTest::newRow("another authority") << QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/tls/ec-sha256.pem")
                                       << QStringLiteral("certificate");
    QTest::newRow("no such file")
        << QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/tls/missing.pem")
        << QStringLiteral("The connection to 127.0.6.2 on port %1 failed: ").arg(m_Host.HttpsPort());
}

// Listeners with certificates of a private authority are checked against that authority, name included.
void TestWmiShutdown::trustedCaFile() {
    QFETCH(QString, caFile);
    QFETCH(QString, failure);
    TRemoteSettings settings = m_Host.BasicSettings(true);
    settings.VerifyCertificate = true;
    settings.CaFile = caFile;
    const qsizetype before = m_Host.Shutdowns().size();
    try {
        QCOMPARE(
            ShutdownComputer(QStringLiteral("127.0.6.2"), TTestHost::UserName, TTestHost::Password, 0, true, settings),
            0);
        QVERIFY2(failure.isEmpty(), "the certificate was not checked");
        QCOMPARE(m_Host.Shutdowns(int(before) + 1).size(), before + 1);
    } catch (const ERemoteError& error) {
        QVERIFY2(!failure.isEmpty() && error.Text().contains(failure), qPrintable(error.Text()));
        QCOMPARE(m_Host.Shutdowns().size(), before);
    }
}

QTEST_GUILESS_MAIN(TestWmiShutdown)
#include "TestWmiShutdown.moc"
