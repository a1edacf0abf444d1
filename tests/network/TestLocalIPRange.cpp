#include "TNetworkNamespace.h"
#include "uDetectLocalIPRange.h"

#include <QTest>

using Platform::TAdapterInfo;

namespace {

// Answers the address choice from the test and records the lines it was offered.
struct TScriptedChoice {
    std::optional<qsizetype> Answer;
    QList<QStringList> Offered;

    TChooseAddressLine Chooser() {
        return [this](const QStringList& lines) {
            Offered.append(lines);
            return Answer;
        };
    }
};

TAdapterSource Adapters(const QList<TAdapterInfo>& adapters) {
    return [adapters] { return adapters; };
}

} // namespace

class TestLocalIPRange : public QObject {
    Q_OBJECT
private slots:
    void refreshKeepsAdapterOrderAndStopsAtNoAddress();
    void refreshLeavesOutLoopbackAndDownInterfaces();
    void detect_data();
    void detect();
};

void TestLocalIPRange::refreshKeepsAdapterOrderAndStopsAtNoAddress() {
    TIPAndMask local(
        Adapters({{QStringLiteral("eth0"),
                   {{QStringLiteral("192.168.5.20"), QStringLiteral("255.255.255.0"), 7},
                    {QStringLiteral("10.0.0.5"), QStringLiteral("255.0.0.0"), 8}}},
                  {QStringLiteral("wlan0"),
                   {{QStringLiteral("0.0.0.0"), QStringLiteral("0.0.0.0"), 9},
                    {QStringLiteral("172.16.0.1"), QStringLiteral("255.255.0.0"), 10}}},
                  {QStringLiteral("eth1"), {{QStringLiteral(" "), QString(), 11}}},
                  {QStringLiteral("tun0"), {{QStringLiteral("10.8.0.2"), QStringLiteral("255.255.255.0"), 12}}}}));
    local.Refresh();
    local.Refresh(); // replaces, never appends
    const TAddressCollection& addresses = local.Addresses();
    QCOMPARE(addresses.Count(), 3);
    QCOMPARE(addresses.Items(0).IpAddress, QStringLiteral("192.168.5.20"));
    QCOMPARE(addresses.Items(0).IpMAsk, QStringLiteral("255.255.255.0"));
    QCOMPARE(addresses.Items(0).IpContext, 7);
    QCOMPARE(addresses.Items(0).AdapterName, QStringLiteral("eth0"));
    QCOMPARE(addresses.Items(1).IpAddress, QStringLiteral("10.0.0.5"));
    QCOMPARE(addresses.Items(1).AdapterName, QStringLiteral("eth0"));
    QCOMPARE(addresses.Items(2).IpAddress, QStringLiteral("10.8.0.2"));
    QCOMPARE(addresses.Items(2).AdapterName, QStringLiteral("tun0"));
}

// In a namespace of its own: loopback is up, one interface is up and one is down, each with an address.
// Only the address of the interface that is up is a local address to scan from.
void TestLocalIPRange::refreshLeavesOutLoopbackAndDownInterfaces() {
    QString why;
    if (!TNetworkNamespace::CanCreate(&why))
        QSKIP(qPrintable(why));
    const TNetworkNamespace space(QStringLiteral("adapters"));
    QVERIFY(space.IsCreated());
    const QString up = QStringLiteral("dvup%1").arg(QCoreApplication::applicationPid() % 10000);
    const QString down = QStringLiteral("dvdn%1").arg(QCoreApplication::applicationPid() % 10000);
    QVERIFY(space.Ip({"link", "add", up, "type", "veth", "peer", "name", down}));
    QVERIFY(space.Ip({"addr", "add", "192.168.77.5/24", "dev", up}));
    QVERIFY(space.Ip({"addr", "add", "10.9.9.9/8", "dev", down}));
    QVERIFY(space.Ip({"link", "set", up, "up"}));

    const QList<TAddressItem> items = space.Inside([] {
        TIPAndMask local;
        local.Refresh();
        QList<TAddressItem> found;
        for (qsizetype i = 0; i < local.Addresses().Count(); ++i)
            found.append(local.Addresses().Items(i));
        return found;
    });
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.at(0).IpAddress, QStringLiteral("192.168.77.5"));
    QCOMPARE(items.at(0).IpMAsk, QStringLiteral("255.255.255.0"));
    QCOMPARE(items.at(0).AdapterName, up);
}

void TestLocalIPRange::detect_data() {
    QTest::addColumn<QList<TAdapterInfo>>("adapters");
    QTest::addColumn<bool>("useFirstAddress");
    QTest::addColumn<std::optional<qsizetype>>("answer");
    QTest::addColumn<int>("linesOffered"); // -1: not asked
    QTest::addColumn<bool>("expected");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    const TAdapterInfo lan{QStringLiteral("Ethernet"),
                           {{QStringLiteral("192.168.5.20"), QStringLiteral("255.255.255.0"), 1}}};
    const TAdapterInfo wifi{QStringLiteral("Wireless"), {{QStringLiteral("10.1.2.3"), QStringLiteral("255.0.0.0"), 2}}};
    const TAdapterInfo unset{QStringLiteral("Unplugged"), {{QStringLiteral("0.0.0.0"), QStringLiteral("0.0.0.0"), 3}}};
    const TAdapterInfo badMask{QStringLiteral("Odd"), {{QStringLiteral("10.9.9.9"), QStringLiteral("x"), 4}}};
    const std::optional<qsizetype> cancel;

    QTest::newRow("one adapter, no dialog") << QList{lan} << false << cancel << -1 << true << "192.168.5.1"
                                            << "192.168.5.254";
    QTest::newRow("no address") << QList{unset} << false << cancel << -1 << false << ""
                                << "";
    QTest::newRow("nothing at all") << QList<TAdapterInfo>{} << false << cancel << -1 << false << ""
                                    << "";
    QTest::newRow("unset adapter adds no line") << QList{unset, lan} << false << cancel << -1 << true << "192.168.5.1"
                                                << "192.168.5.254";
    QTest::newRow("two adapters, second chosen")
        << QList{lan, wifi} << false << std::optional<qsizetype>(1) << 2 << true << "10.0.0.1"
        << "10.255.255.254";
    QTest::newRow("two adapters, first proposed")
        << QList{lan, wifi} << false << std::optional<qsizetype>(0) << 2 << true << "192.168.5.1"
        << "192.168.5.254";
    QTest::newRow("two adapters, cancelled") << QList{lan, wifi} << false << cancel << 2 << false << ""
                                             << "";
    QTest::newRow("first address wanted") << QList{lan, wifi} << true << cancel << -1 << true << "192.168.5.1"
                                          << "192.168.5.254";
    QTest::newRow("chosen mask unusable")
        << QList{lan, badMask} << false << std::optional<qsizetype>(1) << 2 << false << ""
        << "";
}

void TestLocalIPRange::detect() {
    QFETCH(QList<TAdapterInfo>, adapters);
    QFETCH(bool, useFirstAddress);
    QFETCH(std::optional<qsizetype>, answer);
    QFETCH(int, linesOffered);
    TScriptedChoice choice{answer, {}};
    QString first = QStringLiteral("stale");
    QString last = QStringLiteral("stale");
    QTEST(DetectLocalIPRange(first, last, useFirstAddress, choice.Chooser(), Adapters(adapters)), "expected");
    QTEST(first, "first");
    QTEST(last, "last");
    if (linesOffered < 0) {
        QVERIFY(choice.Offered.isEmpty());
    } else {
        QCOMPARE(choice.Offered.size(), 1);
        QCOMPARE(choice.Offered.first().size(), linesOffered);
    }
}

QTEST_GUILESS_MAIN(TestLocalIPRange)
#include "TestLocalIPRange.moc"
