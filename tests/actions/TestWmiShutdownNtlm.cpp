#include "ERemoteError.h"
#include "LangChanger.h"
#include "TTestHost.h"
#include "uWmiShutdown.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

// The shutdown call with NTLM against simulated Windows hosts on 127.0.8.x: sealed bodies over HTTP as a
// default-configured WinRM listener demands, plain bodies over HTTPS.
class TestWmiShutdownNtlm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void acceptedRequest_data();
    void acceptedRequest();
    void failures_data();
    void failures();

private:
    TRemoteSettings Settings(bool https, TRemoteAuthentication authentication) const;
    TTestHost m_Host;
    QTemporaryDir m_LanguageFolder;
};

TRemoteSettings TestWmiShutdownNtlm::Settings(bool https, TRemoteAuthentication authentication) const {
    TRemoteSettings settings = m_Host.Settings(https, 2);
    settings.Authentication = authentication;
    return settings;
}

void TestWmiShutdownNtlm::initTestCase() {
    const QString english = m_LanguageFolder.filePath(QStringLiteral("english.lng"));
    QVERIFY(QFile::copy(QStringLiteral(DORMIVA_SOURCE_DIR "/data/languages/english.lng"), english));
    auto changer = std::make_shared<TLangChanger>();
    changer->SetLangFile(english);
    SetCurrentLangChanger(changer);
    const QString error = m_Host.Start({
        QStringLiteral("127.0.8.2"),
        QStringLiteral("127.0.8.3,ntlmonly"),
        QStringLiteral("127.0.8.4,tamper"),
        QStringLiteral("127.0.8.5,deny"),
        QStringLiteral("127.0.8.6,silent"),
        QStringLiteral("127.0.8.8,plainanswers"),
        QStringLiteral("127.0.8.9,closeonchallenge"),
        QStringLiteral("127.0.8.7,fault=Access denied, says WMI"),
        QStringLiteral("127.0.8.11,cbtstrict"),
        QStringLiteral("127.0.8.10,plainanswers,fault=The request was refused, unsealed"),
    });
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestWmiShutdownNtlm::acceptedRequest_data() {
    QTest::addColumn<QString>("computer");
    QTest::addColumn<bool>("https");
    QTest::addColumn<int>("authentication");
    QTest::addColumn<QString>("userName");
    const int negotiate = int(TRemoteAuthentication::Negotiate);
    const int ntlm = int(TRemoteAuthentication::Ntlm);
    const QString user = TTestHost::UserName;
    QTest::newRow("negotiate, sealed over HTTP") << "127.0.8.2" << false << negotiate << user;
    QTest::newRow("ntlm where Negotiate is offered") << "127.0.8.2" << false << ntlm << user;
    QTest::newRow("negotiate where only NTLM is offered") << "127.0.8.3" << false << negotiate << user;
    QTest::newRow("ntlm where only NTLM is offered") << "127.0.8.3" << false << ntlm << user;
    QTest::newRow("negotiate over HTTPS") << "127.0.8.2" << true << negotiate << user;
    QTest::newRow("HTTPS host that demands channel binding") << "127.0.8.11" << true << negotiate << user;
    QTest::newRow("channel binding is only for HTTPS") << "127.0.8.11" << false << ntlm << user;
    QTest::newRow("domain and user") << "127.0.8.2" << false << negotiate << "WORKGROUP\\" + user;
    QTest::newRow("principal name") << "127.0.8.2" << false << ntlm << user + "@workgroup.example";
}

void TestWmiShutdownNtlm::acceptedRequest() {
    QFETCH(QString, computer);
    QFETCH(bool, https);
    QFETCH(int, authentication);
    QFETCH(QString, userName);
    const qsizetype before = m_Host.Shutdowns().size();
    try {
        QCOMPARE(ShutdownComputer(computer, userName, TTestHost::Password, 1, true,
                                  Settings(https, TRemoteAuthentication(authentication))),
                 0);
    } catch (const ERemoteError& error) {
        QFAIL(qPrintable(error.Text()));
    }
    const QList<TTestHost::TShutdown> shutdowns = m_Host.Shutdowns(int(before) + 1);
    QCOMPARE(shutdowns.size(), before + 1);
    QCOMPARE(shutdowns.last().Address, computer);
    QCOMPARE(shutdowns.last().Flags, 6);
}

void TestWmiShutdownNtlm::failures_data() {
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("https");
    QTest::addColumn<qint64>("code");
    QTest::addColumn<QString>("text");
    const QString user = TTestHost::UserName;
    const QString password = TTestHost::Password;
    const QString denied = QStringLiteral("Access is denied.");
    QTest::newRow("wrong password") << "127.0.8.2" << user << "Secret!2-wrong" << false << qint64(5) << denied;
    QTest::newRow("wrong password over HTTPS")
        << "127.0.8.2" << user << "Secret!2-wrong" << true << qint64(5) << denied;
    QTest::newRow("unknown user") << "127.0.8.2"
                                  << "Guest" << password << false << qint64(5) << denied;
    QTest::newRow("host denies every logon") << "127.0.8.5" << user << password << false << qint64(5) << denied;
    QTest::newRow("answer altered on the way")
        << "127.0.8.4" << user << password << false << qint64(0)
        << "The encrypted message failed its integrity check; it may have been altered on the way.";
    QTest::newRow("unsealed answer to a sealed request")
        << "127.0.8.8" << user << password << false << qint64(0)
        << "The answer of 127.0.8.8 is not encrypted although the request was; it is not accepted.";
    QTest::newRow("connection closed during the logon")
        << "127.0.8.9" << user << password << false << qint64(0)
        << "127.0.8.9 closed the connection that the NTLM logon belongs to.";
    QTest::newRow("sealed fault reaches the caller")
        << "127.0.8.7" << user << password << false << qint64(2147749889) << "Access denied, says WMI";
    QTest::newRow("unsealed fault keeps its text")
        << "127.0.8.10" << user << password << false << qint64(2147749889) << "The request was refused, unsealed";
    QTest::newRow("silent host")
        << "127.0.8.6" << user << password << false << qint64(0)
        << QStringLiteral("127.0.8.6 did not answer on port %1 within 2 seconds.").arg(m_Host.HttpPort());
    QTest::newRow("no user name") << "127.0.8.2" << QString() << QString() << false << qint64(0)
                                  << "The NTLM logon at 127.0.8.2 needs a user name and a password.";
}

void TestWmiShutdownNtlm::failures() {
    QFETCH(QString, computer);
    QFETCH(QString, userName);
    QFETCH(QString, password);
    QFETCH(bool, https);
    QFETCH(qint64, code);
    QFETCH(QString, text);
    const TRemoteSettings settings = Settings(https, TRemoteAuthentication::Negotiate);
    const qsizetype before = m_Host.Shutdowns().size();
    QElapsedTimer clock;
    clock.start();
    std::optional<ERemoteError> raised;
    try {
        ShutdownComputer(computer, userName, password, 0, true, settings);
    } catch (const ERemoteError& error) {
        raised = error;
    }
    QVERIFY2(raised.has_value(), "no error raised");
    QVERIFY2(clock.elapsed() < settings.TimeoutSeconds * 1000 + 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(raised->Code(), code);
    QCOMPARE(raised->Text(), text);
    QVERIFY(!raised->Text().contains(TTestHost::Password));
    QCOMPARE(m_Host.Shutdowns().size(), before);
}

QTEST_GUILESS_MAIN(TestWmiShutdownNtlm)
#include "TestWmiShutdownNtlm.moc"
