#include "KerberosClient.h"

#include <QTemporaryDir>
#include <QTest>

// When Negotiate may ask a KDC with a user name and password: read from a Kerberos configuration of the
// test's own, without any KDC or DNS lookup.
class TestKerberosRealm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void realmKnown_data();
    void realmKnown();
    void principalOf_data();
    void principalOf();

private:
    QTemporaryDir m_Folder;
};

void TestKerberosRealm::initTestCase() {
    const QString config = m_Folder.filePath(QStringLiteral("krb5.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[libdefaults]\n default_realm = CORP.EXAMPLE.COM\n dns_lookup_realm = false\n dns_lookup_kdc = false\n"
               "[domain_realm]\n .mapped.example.net = CORP.EXAMPLE.COM\n");
    file.close();
    qputenv("KRB5_CONFIG", config.toUtf8());
}

void TestKerberosRealm::realmKnown_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("known");
    QTest::newRow("ticket cache") << "pc1.elsewhere.org" << QString() << true;
    QTest::newRow("host in the default realm") << "pc1.corp.example.com"
                                               << "admin" << true;
    QTest::newRow("host in the default realm, other case") << "PC1.Corp.Example.Com"
                                                           << "CORP\\admin" << true;
    QTest::newRow("host mapped to a realm") << "pc1.mapped.example.net"
                                            << "admin" << true;
    QTest::newRow("user names the realm") << "pc1.elsewhere.org"
                                          << "admin@corp.example.com" << true;
    QTest::newRow("unknown domain") << "pc1.elsewhere.org"
                                    << "admin" << false;
    QTest::newRow("suffix that is no domain") << "pc1.notcorp.example.com.evil"
                                              << "admin" << false;
    QTest::newRow("bare host name") << "pc1"
                                    << "admin" << false;
}

void TestKerberosRealm::realmKnown() {
    QFETCH(QString, host);
    QFETCH(QString, user);
    QFETCH(bool, known);
    QCOMPARE(TKerberosClient::RealmKnown(host, user), known);
}

void TestKerberosRealm::principalOf_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("principal");
    QTest::newRow("realm in capitals") << "admin@corp.example.com"
                                       << "admin@CORP.EXAMPLE.COM";
    QTest::newRow("NetBIOS domain is no realm") << "CORP\\admin"
                                                << "admin";
    QTest::newRow("plain name") << "admin"
                                << "admin";
}

void TestKerberosRealm::principalOf() {
    QFETCH(QString, user);
    QFETCH(QString, principal);
    QCOMPARE(TKerberosClient::PrincipalOf(user), principal);
}

QTEST_GUILESS_MAIN(TestKerberosRealm)
#include "TestKerberosRealm.moc"
