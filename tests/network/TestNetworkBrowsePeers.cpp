#include "TBrowsePeers.h"
#include "TEnglishTexts.h"
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
    void browseCutAtTheLimit_data();
    void browseCutAtTheLimit();

private:
    struct TResult {
        QStringList Found;
        QString ErrorText;
        bool Finished = false;
    };
    static TResult Browse(quint32 serverTypes, int maxNames = TThrdSearchGroupsAndComputers::MaxNetworkNames);

    TEnglishTexts m_texts;
    std::unique_ptr<TBrowsePeers> m_peers;
};

void TestNetworkBrowsePeers::initTestCase() {
    m_peers =
        std::make_unique<TBrowsePeers>(QList<TBrowsePeers::TPeer>{{QStringLiteral("PEERA"), QStringLiteral("WGA")},
                                                                  {QStringLiteral("PEERB"), QStringLiteral("WGB")},
                                                                  {QStringLiteral("PEERC"), QStringLiteral("WGA")}});
    m_peers->StartForTest(QStringLiteral("WGA"));
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

TestNetworkBrowsePeers::TResult TestNetworkBrowsePeers::Browse(quint32 serverTypes, int maxNames) {
    TResult result;
    QPointer<TThrdSearchGroupsAndComputers> search = new TThrdSearchGroupsAndComputers({});
    search->SetSearchMode(0);
    search->SetServerTypes(serverTypes);
    search->SetMaxNetworkNames(maxNames);
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

void TestNetworkBrowsePeers::browseListsWorkgroupsWithTheirComputers() {
    QFETCH(quint32, serverTypes);
    QFETCH(QStringList, expected);
    const TResult result = Browse(serverTypes);
    QVERIFY(result.Finished);
    QCOMPARE(result.ErrorText, QString());
    QCOMPARE(result.Found, expected);
}

void TestNetworkBrowsePeers::computerDialogBrowsesEveryWorkgroup() {
    TNetworkComputerBrowser browser;
    QCOMPARE(browser.BrowseComputers(), (QStringList{"PEERA", "PEERC", "PEERB"}));
}

// A browse list longer than the search takes is cut there, in the workgroups or in a workgroup's computers,
// and says so.
void TestNetworkBrowsePeers::browseCutAtTheLimit_data() {
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("in the workgroups") << 1 << QStringList{"group WGA"};
    QTest::newRow("in the computers") << 3 << QStringList{"group WGA", "group WGB", "PEERA|WGA"};
}

void TestNetworkBrowsePeers::browseCutAtTheLimit() {
    QFETCH(int, limit);
    QFETCH(QStringList, expected);
    const TResult result = Browse(0xFFFFFFFF, limit);
    QVERIFY(result.Finished);
    QCOMPARE(result.Found, expected);
    QCOMPARE(result.ErrorText, QStringLiteral("The browse list of the network holds more than %1 workgroups and "
                                              "computers. Only the first %1 were taken.")
                                   .arg(limit));
}

DORMIVA_NAMESPACE_TEST_MAIN(TestNetworkBrowsePeers)
#include "TestNetworkBrowsePeers.moc"
