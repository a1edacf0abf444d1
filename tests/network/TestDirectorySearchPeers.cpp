#include "TEnglishTexts.h"
#include "TSambaDomain.h"
#include "uThrdSearchGroupsAndComputers.h"

#include <QFile>
#include <QHostInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The directory search against a Samba domain controller: more computers than one page holds, some of
// them disabled, found with a password over TLS and with a Kerberos ticket, and the controller found
// through its DNS records when no server is given.
class TestDirectorySearchPeers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void computersOfTheDomain_data();
    void computersOfTheDomain();
    void failureNamesTheServer_data();
    void failureNamesTheServer();
    void answerCutAtTheLimit_data();
    void answerCutAtTheLimit();
    void serverFoundThroughDns_data();
    void serverFoundThroughDns();

private:
    struct TResult {
        QStringList Found;
        QString ErrorText;
        bool Finished = false;
    };
    TResult Search(const Platform::TDirectoryQuery& query, bool includeDisabled,
                   int maxNames = TThrdSearchGroupsAndComputers::MaxNetworkNames);
    // Every enabled computer in the domain's group.
    QStringList EnabledComputers() const;

    TEnglishTexts m_texts;
    QTemporaryDir m_folder;
    std::unique_ptr<TSambaDomain> m_domain;
    QStringList m_enabled;
    QStringList m_disabled;
};

void TestDirectorySearchPeers::initTestCase() {
    m_domain = std::make_unique<TSambaDomain>();
    QString why;
    if (!m_domain->Start(&why))
        QSKIP(qPrintable(why));
    QList<TSambaDomain::TComputer> computers;
    for (int i = 1; i <= 120; ++i) {
        const bool disabled = i % 40 == 0;
        computers.append({QStringLiteral("WS%1").arg(i, 3, 10, QLatin1Char('0')), disabled});
        (disabled ? m_disabled : m_enabled).append(computers.last().Name);
    }
    QVERIFY2(m_domain->AddComputers(computers, &why), qPrintable(why));
    m_enabled.append(QStringLiteral("DC1"));
    QVERIFY2(m_domain->GetTicket(m_folder.filePath(QStringLiteral("ticket")), &why), qPrintable(why));
    // The library reads its TLS and Kerberos settings from the environment once.
    qputenv("LDAPTLS_CACERT", m_domain->CaCertificateFile().toLocal8Bit());
    qputenv("KRB5_CONFIG", m_domain->Krb5Config().toLocal8Bit());
    QVERIFY(m_domain->Client().EnterOnThisThread());
}

TestDirectorySearchPeers::TResult TestDirectorySearchPeers::Search(const Platform::TDirectoryQuery& query,
                                                                   bool includeDisabled, int maxNames) {
    TResult result;
    QPointer<TThrdSearchGroupsAndComputers> search = new TThrdSearchGroupsAndComputers({});
    search->SetSearchMode(1);
    search->SetMaxNetworkNames(maxNames);
    search->SetDirectory(query);
    search->SetIncludeDisabledComputers(includeDisabled);
    search->SetOnFoundObject([&result](TSimpleObject& object) {
        result.Found.append(object.IsGroup() ? QStringLiteral("group ") + object.Name
                                             : object.Name + u'|' + (object.Parent ? object.Parent->Name : u"-"_qs));
    });
    search->SetOnSearchEnded([&result](const TThrdSearchGroupsAndComputers& ended) {
        result.Finished = ended.Finished();
        result.ErrorText = ended.ErrorText();
    });
    search->start();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(search.isNull(), 120000); }();
    return result;
}

void TestDirectorySearchPeers::computersOfTheDomain_data() {
    QTest::addColumn<QString>("ticket");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<bool>("includeDisabled");
    const QString admin = TSambaDomain::AdminName();
    QTest::newRow("password, enabled only") << u"none"_qs << admin << false;
    QTest::newRow("password, with disabled") << u"none"_qs << admin << true;
    QTest::newRow("ticket, enabled only") << u"ticket"_qs << QString() << false;
    QTest::newRow("ticket, with disabled") << u"ticket"_qs << QString() << true;
}

void TestDirectorySearchPeers::computersOfTheDomain() {
    QFETCH(QString, ticket);
    QFETCH(QString, userName);
    QFETCH(bool, includeDisabled);
    qputenv("KRB5CCNAME", ("FILE:" + m_folder.filePath(ticket)).toLocal8Bit());
    const TResult result = Search({TSambaDomain::ServerAddress(), QString(), userName,
                                   userName.isEmpty() ? QString() : TSambaDomain::AdminPassword(), true, false},
                                  includeDisabled);
    QCOMPARE(result.ErrorText, QString());
    QVERIFY(result.Finished);
    QVERIFY(!result.Found.isEmpty());
    // The domain's group comes first, and every computer belongs to it.
    const QString domain = TSambaDomain::NetBIOSDomain();
    QCOMPARE(result.Found.first(), QStringLiteral("group ") + domain);
    QStringList expected;
    for (const QString& name : m_enabled + (includeDisabled ? m_disabled : QStringList()))
        expected.append(name + u'|' + domain);
    QStringList computers = result.Found.mid(1);
    computers.sort();
    expected.sort();
    QCOMPARE(computers, expected);
}

void TestDirectorySearchPeers::failureNamesTheServer_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("verify");
    QTest::addColumn<QString>("reason");
    const QString refused = u"Invalid credentials"_qs;
    const QString unreachable = u"Can't contact LDAP server"_qs;
    QTest::newRow("wrong password") << TSambaDomain::ServerAddress() << u"wrong"_qs << true << refused;
    QTest::newRow("wrong password, certificate not checked")
        << TSambaDomain::ServerAddress() << u"wrong"_qs << false << refused;
    QTest::newRow("no computer at the address")
        << TSambaDomain::SilentAddress() << TSambaDomain::AdminPassword() << true << unreachable;
    QTest::newRow("no directory server at the address")
        << u"10.215.9.1"_qs << TSambaDomain::AdminPassword() << true << unreachable;
}

void TestDirectorySearchPeers::failureNamesTheServer() {
    QFETCH(QString, server);
    QFETCH(QString, password);
    QFETCH(bool, verify);
    QFETCH(QString, reason);
    qputenv("KRB5CCNAME", ("FILE:" + m_folder.filePath(u"none"_qs)).toLocal8Bit());
    const TResult result = Search({server, QString(), TSambaDomain::AdminName(), password, verify, false}, false);
    QVERIFY(result.Finished);
    QVERIFY(result.Found.isEmpty());
    QVERIFY2(result.ErrorText.startsWith(
                 QStringLiteral("Searching the directory on server %1 failed: %2").arg(server, reason)),
             qPrintable(result.ErrorText));
}

QStringList TestDirectorySearchPeers::EnabledComputers() const {
    QStringList computers;
    for (const QString& name : m_enabled)
        computers.append(name + u'|' + TSambaDomain::NetBIOSDomain());
    computers.sort();
    return computers;
}

// A directory that answers with more computers than the search takes is cut there, and says so; the
// limit crossed inside the first page and inside the second, and reached exactly.
void TestDirectorySearchPeers::answerCutAtTheLimit_data() {
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("cut");
    QTest::newRow("inside the first page") << 50 << true;
    QTest::newRow("inside the second page") << 110 << true;
    QTest::newRow("exactly every computer") << int(m_enabled.size()) << false;
}

void TestDirectorySearchPeers::answerCutAtTheLimit() {
    QFETCH(int, limit);
    QFETCH(bool, cut);
    qputenv("KRB5CCNAME", ("FILE:" + m_folder.filePath(u"none"_qs)).toLocal8Bit());
    const QString server = TSambaDomain::ServerAddress();
    const TResult result = Search(
        {server, QString(), TSambaDomain::AdminName(), TSambaDomain::AdminPassword(), true, false}, false, limit);
    QVERIFY(result.Finished);
    QCOMPARE(result.ErrorText,
             cut ? QStringLiteral("The directory server %1 sent more than %2 computers. Only the first %2 were taken.")
                       .arg(server)
                       .arg(limit)
                 : QString());
    QCOMPARE(result.Found.value(0), QStringLiteral("group ") + TSambaDomain::NetBIOSDomain());
    QStringList computers = result.Found.mid(1);
    QCOMPARE(computers.size(), limit);
    computers.sort();
    for (const QString& computer : std::as_const(computers))
        QVERIFY2(EnabledComputers().contains(computer), qPrintable(computer));
}

// Without a server the search asks DNS for the domain controllers of the Kerberos default realm, else of
// this host's DNS domain. The search runs in a program of its own whose resolver asks the controller's DNS
// service, as a computer of the domain would.
void TestDirectorySearchPeers::serverFoundThroughDns_data() {
    QTest::addColumn<QString>("nameServer");
    QTest::addColumn<QString>("realm");
    QTest::addColumn<QString>("dnsDomain");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("error"); // empty: every enabled computer of the domain is found
    const QString password = TSambaDomain::AdminPassword();
    const QString dc = TSambaDomain::ServerAddress();
    QTest::newRow("Kerberos default realm") << dc << u"DORMTEST.LAN"_qs << QString() << password << QString();
    QTest::newRow("host's DNS domain") << dc << QString() << u"dormtest.lan"_qs << password << QString();
    // Inside the controller's own zone, so that its DNS service knows the record is missing.
    QTest::newRow("realm without a directory record goes before the DNS domain")
        << dc << u"NOWHERE.DORMTEST.LAN"_qs << u"dormtest.lan"_qs << password
        << u"No directory server was found: the DNS record _ldap._tcp.dc._msdcs.nowhere.dormtest.lan does not exist."_qs;
    QTest::newRow("neither realm nor DNS domain")
        << dc << QString() << QString() << password
        << u"No Active Directory domain is configured on this computer: enter the directory server or its domain in "
           u"Preferences, page \"Directory\"."_qs;
    // The server named in the failure is the one the record led to.
    QTest::newRow("wrong password at the server found")
        << dc << u"DORMTEST.LAN"_qs << QString() << u"wrong"_qs
        << u"Searching the directory on server dc1.dormtest.lan failed: Invalid credentials"_qs;
    // A DNS server that does not answer is not a domain without a directory.
    QTest::newRow("DNS server silent")
        << TSambaDomain::SilentAddress() << u"DORMTEST.LAN"_qs << QString() << password
        << u"No directory server was found: the DNS record _ldap._tcp.dc._msdcs.dormtest.lan could not be looked up: "_qs;
}

void TestDirectorySearchPeers::serverFoundThroughDns() {
    QFETCH(QString, nameServer);
    QFETCH(QString, realm);
    QFETCH(QString, dnsDomain);
    QFETCH(QString, password);
    QFETCH(QString, error);
    if (realm.isEmpty() && dnsDomain.isEmpty() && QHostInfo::localHostName().contains(u'.'))
        QSKIP("this host's name carries a DNS domain");
    QByteArray resolver = "nameserver " + nameServer.toLatin1() + "\noptions timeout:2 attempts:1\n";
    if (!dnsDomain.isEmpty())
        resolver += "search " + dnsDomain.toLatin1() + '\n';
    QVERIFY(m_domain->Client().SetResolverConfig(resolver));
    const QString krb5 = m_folder.filePath(u"probe-krb5.conf"_qs);
    QFile config(krb5);
    QVERIFY(config.open(QIODevice::WriteOnly));
    if (!realm.isEmpty())
        config.write(QStringLiteral("[libdefaults]\n default_realm = %1\n").arg(realm).toLatin1());
    config.close();

    QProcess probe;
    QStringList environment = QProcess::systemEnvironment();
    environment << u"KRB5_CONFIG="_qs + krb5 << u"KRB5CCNAME=FILE:"_qs + m_folder.filePath(u"none"_qs)
                << u"LDAPTLS_CACERT="_qs + m_domain->CaCertificateFile();
    probe.setEnvironment(environment);
    const QString ip = QStandardPaths::findExecutable(u"ip"_qs, {u"/usr/sbin"_qs, u"/sbin"_qs, u"/usr/bin"_qs});
    probe.start(ip, {u"netns"_qs, u"exec"_qs, m_domain->Client().Name(), QStringLiteral(DIRECTORY_SEARCH_PROBE),
                     TSambaDomain::AdminName()});
    probe.write(password.toUtf8() + '\n');
    probe.closeWriteChannel();
    QVERIFY(probe.waitForFinished(180000));
    QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY2(probe.exitCode() == 0 && !lines.isEmpty() && lines.last().startsWith(u"error: "_qs),
             qPrintable(QString::fromLocal8Bit(probe.readAllStandardError())));
    const QString last = lines.takeLast();
    if (!error.isEmpty()) {
        QVERIFY2(last.startsWith(u"error: "_qs + error), qPrintable(last));
        QCOMPARE(lines, QStringList());
        return;
    }
    QCOMPARE(last, u"error: "_qs);
    QCOMPARE(lines.value(0), QStringLiteral("group ") + TSambaDomain::NetBIOSDomain());
    QStringList computers = lines.mid(1);
    computers.sort();
    QCOMPARE(computers, EnabledComputers());
}

DORMIVA_NAMESPACE_TEST_MAIN(TestDirectorySearchPeers)
#include "TestDirectorySearchPeers.moc"
