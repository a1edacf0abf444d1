#include "TBrowsePeers.h"
#include "uNetworkComputerBrowser.h"
#include "uThrdSearchGroupsAndComputers.h"

#include <QPointer>
#include <QTest>

// The network browse against nmbd and smbd peers: two workgroups on one bridge, WGA with two computers.
class TestNetworkBrowsePeers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void browseListsWorkgroupsWithTheirComputers_data();
    void browseListsWorkgroupsWithTheirComputers();
    void computerDialogBrowsesEveryWorkgroup();

private:
    std::unique_ptr<TBrowsePeers> m_peers;
};

void TestNetworkBrowsePeers::initTestCase() {
    m_peers =
        std::make_unique<TBrowsePeers>(QList<TBrowsePeers::TPeer>{{QStringLiteral("PEERA"), QStringLiteral("WGA")},
                                                                  {QStringLiteral("PEERB"), QStringLiteral("WGB")},
                                                                  {QStringLiteral("PEERC"), QStringLiteral("WGA")}});
    QString why;
    if (!m_peers->Start(&why))
        QSKIP(qPrintable(why));
    QString missing;
    QVERIFY2(m_peers->WaitForBrowseLists(120000, &missing), qPrintable(missing));
    // Clients of the browse list read their smb.conf from the home folder once, at their first use.
    qputenv("HOME", m_peers->ClientHome(QStringLiteral("WGA")).toLocal8Bit());
    QVERIFY(m_peers->Client().EnterOnThisThread());
}

void TestNetworkBrowsePeers::browseListsWorkgroupsWithTheirComputers_data() {
    QTest::addColumn<quint32>("serverTypes");
    QTest::addColumn<QStringList>("expected");
    const QStringList all{"group WGA", "group WGB", "PEERA|WGA", "PEERC|WGA", "PEERB|WGB"};
    const QStringList none{"group WGA", "group WGB"};
    QTest::newRow("all types") << quint32(0xFFFFFFFF) << all;
    // Samba announces itself as a workstation and a server, never as a domain controller or SQL server.
    QTest::newRow("workstations") << quint32(0x00000001) << all;
    QTest::newRow("domain controllers") << quint32(0x00000018) << none;
    QTest::newRow("SQL servers and terminal servers") << quint32(0x02000004) << none;
}

void TestNetworkBrowsePeers::browseListsWorkgroupsWithTheirComputers() {
    QFETCH(quint32, serverTypes);
    QFETCH(QStringList, expected);
    QPointer<TThrdSearchGroupsAndComputers> search = new TThrdSearchGroupsAndComputers({});
    QStringList found;
    bool finished = false;
    search->SetSearchMode(0);
    search->SetServerTypes(serverTypes);
    search->SetOnFoundObject([&found](TSimpleObject& object) {
        found.append(object.IsGroup() ? QStringLiteral("group ") + object.Name
                                      : object.Name + u'|' + (object.Parent ? object.Parent->Name : u"-"_qs));
    });
    search->SetOnSearchEnded([&finished](const TThrdSearchGroupsAndComputers& ended) { finished = ended.Finished(); });
    search->start();
    QTRY_VERIFY_WITH_TIMEOUT(search.isNull(), 120000);
    QVERIFY(finished);
    QCOMPARE(found, expected);
}

void TestNetworkBrowsePeers::computerDialogBrowsesEveryWorkgroup() {
    TNetworkComputerBrowser browser;
    QCOMPARE(browser.BrowseComputers(), (QStringList{"PEERA", "PEERC", "PEERB"}));
}

DORMIVA_NAMESPACE_TEST_MAIN(TestNetworkBrowsePeers)
#include "TestNetworkBrowsePeers.moc"
