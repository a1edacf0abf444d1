#include "TEnglishTexts.h"
#include "TSambaDomain.h"
#include "uThrdSearchGroupsAndComputers.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

// The directory search against a Samba domain controller: more computers than one page holds, some of
// them disabled, found with a password over TLS and with a Kerberos ticket.
class TestDirectorySearchPeers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void computersOfTheDomain_data();
    void computersOfTheDomain();
    void failureNamesTheServer_data();
    void failureNamesTheServer();

private:
    struct TResult {
        QStringList Found;
        QString ErrorText;
        bool Finished = false;
    };
    TResult Search(const Platform::TDirectoryQuery& query, bool includeDisabled);

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
                                                                   bool includeDisabled) {
    TResult result;
    QPointer<TThrdSearchGroupsAndComputers> search = new TThrdSearchGroupsAndComputers({});
    search->SetSearchMode(1);
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

DORMIVA_NAMESPACE_TEST_MAIN(TestDirectorySearchPeers)
#include "TestDirectorySearchPeers.moc"
