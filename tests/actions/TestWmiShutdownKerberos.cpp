#include "ERemoteError.h"
#include "TEnglishTexts.h"
#include "TSambaDomain.h"
#include "TTestHost.h"
#include "WsManEnvelope.h"
#include "WsManNamespaces.h"
#include "WsManResponse.h"
#include "uWmiShutdown.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

// The shutdown call with Kerberos: a Samba domain controller in a namespace of its own is the KDC, the
// simulated host on the client namespace's loopback holds the keys of HTTP/win1.localhost (a name that
// libcurl keeps on loopback). Sealed bodies over HTTP, plain ones over HTTPS.
class TestWmiShutdownKerberos : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void accepted_data();
    void accepted();
    void passwordLogonKeepsTheUsersCache();
    void failures_data();
    void failures();
    void expiredTicket();
    void hostMisbehaves_data();
    void hostMisbehaves();
    void negotiateFallsBackToNtlmForAnAddress();
    void realClient_data();
    void realClient();

private:
    TRemoteSettings Settings(bool https, TRemoteAuthentication authentication) const;
    std::optional<ERemoteError> Shutdown(const QString& computer, const QString& user, const QString& password,
                                         const TRemoteSettings& settings);

    TEnglishTexts m_Texts;
    QTemporaryDir m_Folder;
    std::unique_ptr<TSambaDomain> m_Domain;
    TTestHost m_Host;
    QString m_Cache;
};

namespace {

const QString Service = QStringLiteral("win1.localhost");
// Over HTTPS the host takes only logons bound to its certificate, as Windows with CbtHardeningLevel Strict.
const QString Host = QStringLiteral("127.0.0.1,cbtstrict");

} // namespace

TRemoteSettings TestWmiShutdownKerberos::Settings(bool https, TRemoteAuthentication authentication) const {
    TRemoteSettings settings = m_Host.Settings(https, 10);
    settings.Authentication = authentication;
    return settings;
}

void TestWmiShutdownKerberos::initTestCase() {
    QVERIFY(m_Texts.IsLoaded());
    m_Domain = std::make_unique<TSambaDomain>();
    QString why;
    QVERIFY2(m_Domain->Start(&why), qPrintable(why));
    const QString keytab = m_Folder.filePath(QStringLiteral("http.keytab"));
    QVERIFY2(m_Domain->AddHttpService(QStringLiteral("svc-win1"), Service, keytab, &why), qPrintable(why));
    m_Cache = m_Folder.filePath(QStringLiteral("cache"));
    QVERIFY2(m_Domain->GetTicket(m_Cache, &why), qPrintable(why));
    qputenv("KRB5_CONFIG", m_Domain->Krb5Config().toUtf8());
    qputenv("KRB5_KTNAME", keytab.toUtf8());
    QVERIFY(m_Domain->Client().EnterOnThisThread());
    const QString error = m_Host.Start({Host});
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

std::optional<ERemoteError> TestWmiShutdownKerberos::Shutdown(const QString& computer, const QString& user,
                                                              const QString& password,
                                                              const TRemoteSettings& settings) {
    try {
        ShutdownComputer(computer, user, password, 0, true, settings);
    } catch (const ERemoteError& error) {
        return error;
    }
    return std::nullopt;
}

void TestWmiShutdownKerberos::accepted_data() {
    QTest::addColumn<bool>("https");
    QTest::addColumn<int>("authentication");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    const int negotiate = int(TRemoteAuthentication::Negotiate);
    const int kerberos = int(TRemoteAuthentication::Kerberos);
    QTest::newRow("ticket of the cache, Negotiate, sealed on HTTP") << false << negotiate << QString() << QString();
    QTest::newRow("ticket of the cache, Negotiate, HTTPS, bound to the channel")
        << true << negotiate << QString() << QString();
    QTest::newRow("ticket of the cache, Kerberos scheme") << false << kerberos << QString() << QString();
    QTest::newRow("user name and password")
        << false << kerberos << TSambaDomain::AdminName() << TSambaDomain::AdminPassword();
}

void TestWmiShutdownKerberos::accepted() {
    QFETCH(bool, https);
    QFETCH(int, authentication);
    QFETCH(QString, user);
    QFETCH(QString, password);
    qputenv("KRB5CCNAME", ("FILE:" + m_Cache).toUtf8());
    const qsizetype before = m_Host.Shutdowns().size();
    const std::optional<ERemoteError> raised =
        Shutdown(Service, user, password, Settings(https, TRemoteAuthentication(authentication)));
    QVERIFY2(!raised, raised ? qPrintable(raised->Text()) : "");
    QCOMPARE(m_Host.Shutdowns(int(before) + 1).size(), before + 1);
    QCOMPARE(m_Host.Shutdowns().last().Flags, 12);
}

void TestWmiShutdownKerberos::passwordLogonKeepsTheUsersCache() {
    const QString untouched = m_Folder.filePath(QStringLiteral("never-written"));
    qputenv("KRB5CCNAME", ("FILE:" + untouched).toUtf8());
    const std::optional<ERemoteError> raised =
        Shutdown(Service, TSambaDomain::AdminName(), TSambaDomain::AdminPassword(),
                 Settings(false, TRemoteAuthentication::Negotiate));
    QVERIFY2(!raised, raised ? qPrintable(raised->Text()) : "");
    QVERIFY(!QFile::exists(untouched));
}

void TestWmiShutdownKerberos::failures_data() {
    QTest::addColumn<QString>("computer");
    QTest::addColumn<int>("authentication");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("withTicket");
    QTest::addColumn<QString>("start");
    const int negotiate = int(TRemoteAuthentication::Negotiate);
    const int kerberos = int(TRemoteAuthentication::Kerberos);
    QTest::newRow("wrong password") << Service << kerberos << TSambaDomain::AdminName() << u"Wrong-Pa55"_qs << false
                                    << u"The Kerberos logon for HTTP/win1.localhost was refused: the user name or the "
                                       "password is wrong"_qs;
    QTest::newRow("wrong password under Negotiate, no NTLM after it")
        << Service << negotiate << TSambaDomain::AdminName() << u"Wrong-Pa55"_qs << false
        << u"The Kerberos logon for HTTP/win1.localhost was refused: the user name or the password is wrong"_qs;
    QTest::newRow("no ticket, empty user name") << Service << negotiate << QString() << QString() << false
                                                << u"There is no valid Kerberos ticket for HTTP/win1.localhost"_qs;
    QTest::newRow("unknown service principal") << u"win2.localhost"_qs << negotiate << QString() << QString() << true
                                               << u"The domain does not know the service HTTP/win2.localhost"_qs;
    QTest::newRow("address under Kerberos") << u"127.0.0.1"_qs << kerberos << QString() << QString() << true
                                            << u"Kerberos needs the DNS name of the computer, not \"127.0.0.1\""_qs;
    QTest::newRow("address under Negotiate without user name")
        << u"127.0.0.1"_qs << negotiate << QString() << QString() << true
        << u"The NTLM logon at 127.0.0.1 needs a user name and a password."_qs;
}

void TestWmiShutdownKerberos::failures() {
    QFETCH(QString, computer);
    QFETCH(int, authentication);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, withTicket);
    QFETCH(QString, start);
    const QString cache = withTicket ? m_Cache : m_Folder.filePath(QStringLiteral("no-cache"));
    qputenv("KRB5CCNAME", ("FILE:" + cache).toUtf8());
    const qsizetype before = m_Host.Shutdowns().size();
    const std::optional<ERemoteError> raised =
        Shutdown(computer, user, password, Settings(false, TRemoteAuthentication(authentication)));
    QVERIFY2(raised, "no error raised");
    QVERIFY2(raised->Text().startsWith(start), qPrintable(raised->Text()));
    QCOMPARE(m_Host.Shutdowns().size(), before);
}

void TestWmiShutdownKerberos::expiredTicket() {
    const QString cache = m_Folder.filePath(QStringLiteral("short"));
    QString why;
    QVERIFY2(m_Domain->GetTicket(cache, &why, 2), qPrintable(why));
    qputenv("KRB5CCNAME", ("FILE:" + cache).toUtf8());
    QTest::qWait(3500);
    const std::optional<ERemoteError> raised =
        Shutdown(Service, QString(), QString(), Settings(false, TRemoteAuthentication::Negotiate));
    QVERIFY2(raised, "no error raised");
    QVERIFY2(raised->Text().startsWith(u"There is no valid Kerberos ticket for HTTP/win1.localhost"_qs),
             qPrintable(raised->Text()));
}

void TestWmiShutdownKerberos::hostMisbehaves_data() {
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<QString>("text");
    // A host that takes the ticket but never proves that it holds the service's key is not trusted.
    QTest::newRow("no proof") << u"unproved"_qs
                              << u"win1.localhost did not prove its identity at the Kerberos logon; the connection "
                                 "is not used."_qs;
    // Logged on again once, the request still meets a new connection: it cannot have been carried out.
    QTest::newRow("connection ends with every logon")
        << u"closeonchallenge"_qs << u"win1.localhost closed the connection that the Kerberos logon belongs to."_qs;
}

void TestWmiShutdownKerberos::hostMisbehaves() {
    qputenv("KRB5CCNAME", ("FILE:" + m_Cache).toUtf8());
    QFETCH(QString, behaviour);
    QFETCH(QString, text);
    QVERIFY(m_Host.SetBehaviour(QStringLiteral("127.0.0.1,") + behaviour));
    const qsizetype before = m_Host.Shutdowns().size();
    const std::optional<ERemoteError> raised =
        Shutdown(Service, QString(), QString(), Settings(false, TRemoteAuthentication::Negotiate));
    QVERIFY(m_Host.SetBehaviour(Host));
    QVERIFY2(raised, "no error raised");
    QCOMPARE(raised->Text(), text);
    QCOMPARE(m_Host.Shutdowns().size(), before);
}

void TestWmiShutdownKerberos::negotiateFallsBackToNtlmForAnAddress() {
    qputenv("KRB5CCNAME", ("FILE:" + m_Cache).toUtf8());
    const qsizetype before = m_Host.Shutdowns().size();
    const std::optional<ERemoteError> raised =
        Shutdown(QStringLiteral("127.0.0.1"), TTestHost::UserName, TTestHost::Password,
                 Settings(false, TRemoteAuthentication::Negotiate));
    QVERIFY2(!raised, raised ? qPrintable(raised->Text()) : "");
    QCOMPARE(m_Host.Shutdowns(int(before) + 1).size(), before + 1);
}

void TestWmiShutdownKerberos::realClient_data() {
    QTest::addColumn<bool>("https");
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<bool>("answered");
    // That client binds no logon to the TLS channel: Windows' default (Relaxed) takes it, Strict does not.
    QTest::newRow("HTTPS") << true << QString() << true;
    QTest::newRow("HTTPS, host demands channel binding") << true << u",cbtstrict"_qs << false;
    // That client cannot seal Kerberos bodies; a default host refuses them unsealed on HTTP.
    QTest::newRow("unsealed over HTTP refused") << false << QString() << false;
    QTest::newRow("unsealed over HTTP where allowed") << false << u",unencrypted"_qs << true;
}

// python3-winrm with requests-kerberos logs on at the simulated host and checks its proof.
void TestWmiShutdownKerberos::realClient() {
    QFETCH(bool, https);
    QFETCH(QString, behaviour);
    QFETCH(bool, answered);
    QProcess probe;
    probe.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import requests_kerberos")});
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
        QSKIP("/usr/bin/python3 cannot import requests_kerberos (install python3-requests-kerberos)");
    qputenv("KRB5CCNAME", ("FILE:" + m_Cache).toUtf8());
    QVERIFY(m_Host.SetBehaviour(QStringLiteral("127.0.0.1") + behaviour));
    const QString endpoint = QStringLiteral("%1://127.0.0.1:%2/wsman")
                                 .arg(https ? u"https"_qs : u"http"_qs)
                                 .arg(https ? m_Host.HttpsPort() : m_Host.HttpPort());
    const QString request = m_Folder.filePath(QStringLiteral("request.xml"));
    const QString answer = m_Folder.filePath(QStringLiteral("answer.xml"));
    QFile::remove(answer);
    QFile file(request);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(TWsManEnvelope(endpoint, 60000)
                   .Enumerate(WsManNs::WmiResourcePrefix + u"root/cimv2/*"_qs,
                              u"SELECT * FROM Win32_OperatingSystem WHERE Primary=True"_qs));
    file.close();
    QProcess python;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NO_PROXY"), QStringLiteral("*"));
    environment.remove(QStringLiteral("REQUESTS_CA_BUNDLE"));
    environment.remove(QStringLiteral("CURL_CA_BUNDLE"));
    python.setProcessEnvironment(environment);
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/wsman/winrm_send.py"), endpoint, QString(), QString(),
                  request, answer, QStringLiteral("kerberos"), QStringLiteral("auto"), QStringLiteral("send"), Service});
    QVERIFY(python.waitForFinished(60000));
    QVERIFY(m_Host.SetBehaviour(Host));
    const QByteArray complaint = python.readAllStandardError();
    QCOMPARE(python.exitCode() == 0, answered);
    if (!answered)
        return;
    QFile result(answer);
    QVERIFY(result.open(QIODevice::ReadOnly));
    const TWsManResponse enumeration = TWsManResponse::Parse(result.readAll());
    QVERIFY2(enumeration.ParseError.isEmpty(), complaint.constData());
    QVERIFY(enumeration.IsBody(WsManNs::Enumeration, QStringLiteral("EnumerateResponse")));
    QCOMPARE(enumeration.Items.size(), 1);
}

DORMIVA_NAMESPACE_TEST_MAIN(TestWmiShutdownKerberos)
#include "TestWmiShutdownKerberos.moc"
