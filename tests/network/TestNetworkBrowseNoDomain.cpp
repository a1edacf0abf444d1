#include "TBrowsePeers.h"
#include "uNetworkComputerBrowser.h"
#include "uThrdSearchGroupsAndComputers.h"

#include <QPointer>
#include <QTest>

// The network browse where the browse list names no workgroup: the computers of this computer's own
// workgroup come without a group. One workgroup whose master browser forgets it once the lists are complete.
class TestNetworkBrowseNoDomain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void computersOfTheOwnWorkgroupWithoutGroup_data();
    void computersOfTheOwnWorkgroupWithoutGroup();
    void computerDialogBrowsesTheOwnWorkgroup();

private:
    std::unique_ptr<TBrowsePeers> m_peers;
};

void TestNetworkBrowseNoDomain::initTestCase() {
    m_peers = std::make_unique<TBrowsePeers>(QList<TBrowsePeers::TPeer>{
        {QStringLiteral("PEERA"), QStringLiteral("WGA")}, {QStringLiteral("PEERC"), QStringLiteral("WGA")}});
    m_peers->StartForTest(QStringLiteral("WGA"));
}

void TestNetworkBrowseNoDomain::computersOfTheOwnWorkgroupWithoutGroup_data() {
    QTest::addColumn<quint32>("serverTypes");
    QTest::addColumn<QStringList>("expected");
    const QStringList all{"PEERA|-", "PEERC|-"};
    QTest::newRow("all types") << quint32(0xFFFFFFFF) << all;
    QTest::newRow("workstations") << quint32(0x00000001) << all;
    QTest::newRow("domain controllers") << quint32(0x00000018) << QStringList();
}

void TestNetworkBrowseNoDomain::computersOfTheOwnWorkgroupWithoutGroup() {
    QFETCH(quint32, serverTypes);
    QFETCH(QStringList, expected);
    // Again before every search: nmbd may have written its lists anew in between.
    QVERIFY(m_peers->ForgetWorkgroups());
    QPointer<TThrdSearchGroupsAndComputers> search = new TThrdSearchGroupsAndComputers({});
    QStringList found;
    QString error = u"not ended"_qs;
    search->SetSearchMode(0);
    search->SetServerTypes(serverTypes);
    search->SetOnFoundObject([&found](TSimpleObject& object) {
        found.append(object.Name + u'|' +
                     (object.IsGroup() ? u"group"_qs
                      : object.Parent  ? object.Parent->Name
                                       : u"-"_qs));
    });
    search->SetOnSearchEnded([&error](const TThrdSearchGroupsAndComputers& ended) { error = ended.ErrorText(); });
    search->start();
    QTRY_VERIFY_WITH_TIMEOUT(search.isNull(), 120000);
    QCOMPARE(error, QString());
    QCOMPARE(found, expected);
}

void TestNetworkBrowseNoDomain::computerDialogBrowsesTheOwnWorkgroup() {
    QVERIFY(m_peers->ForgetWorkgroups());
    TNetworkComputerBrowser browser;
    QCOMPARE(browser.BrowseComputers(), (QStringList{"PEERA", "PEERC"}));
}

DORMIVA_NAMESPACE_TEST_MAIN(TestNetworkBrowseNoDomain)
#include "TestNetworkBrowseNoDomain.moc"
