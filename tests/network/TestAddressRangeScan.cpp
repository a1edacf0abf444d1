#include "TProbePeers.h"
#include "uThrdSearchGroupsAndComputers.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>

#include <memory>

namespace {

// Besides the peers of TProbePeers, the peer namespace holds these addresses and drops all they receive.
constexpr int FirstSilent = 10;
constexpr int SilentCount = 50;

} // namespace

// The address-range scan over a network where most addresses never answer.
class TestAddressRangeScan : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void silentAddressesCostOneTimeOut_data();
    void silentAddressesCostOneTimeOut();
    void stopDuringSilentAddressesIsPrompt();

private:
    using TOnFound = std::function<void(const TSimpleObject&, TThrdSearchGroupsAndComputers&)>;
    QStringList Scan(int checkState, quint32 timeoutMs, int last, const TOnFound& onFound);

    std::unique_ptr<TProbePeers> m_peers;
};

void TestAddressRangeScan::initTestCase() {
    m_peers = std::make_unique<TProbePeers>(QStringLiteral("scan"), QStringLiteral("10.214.7"));
    QVERIFY(m_peers->IsReady());
    for (int host = FirstSilent; host < FirstSilent + SilentCount; ++host)
        QVERIFY(m_peers->Peer().Ip({"addr", "add", m_peers->Address(host) + "/32", "dev", "p0"}));
    QVERIFY(m_peers->Peer().Exec({"nft", "add rule inet dormiva input ip daddr " + m_peers->Address(FirstSilent) + "-" +
                                             m_peers->Address(FirstSilent + SilentCount - 1) + " drop"}));
}

// Scans .1 to .last with only live computers from inside the client namespace and gives what was found.
QStringList TestAddressRangeScan::Scan(int checkState, quint32 timeoutMs, int last, const TOnFound& onFound) {
    QPointer<TThrdSearchGroupsAndComputers> search = new TThrdSearchGroupsAndComputers({checkState, timeoutMs, 139});
    QStringList found;
    search->SetOnFoundObject([&](TSimpleObject& object) {
        found.append(object.Name);
        if (onFound)
            onFound(object, *search);
    });
    search->SetSearchMode(2);
    search->SetStartIP(m_peers->Address(1));
    search->SetStopIP(m_peers->Address(last));
    search->SetOnlyLiveComputers(true);
    // The search's threads are born in the namespace of the thread that starts it.
    m_peers->Client().Inside([&search] {
        search->start();
        return true;
    });
    if (!QTest::qWaitFor([&search] { return search.isNull(); }, 180000))
        qFatal("the scan did not end");
    return found;
}

void TestAddressRangeScan::silentAddressesCostOneTimeOut_data() {
    QTest::addColumn<int>("checkState");
    QTest::addColumn<QStringList>("expected");
    const QString range = QStringLiteral("10.214.7.1-10.214.7.59");
    QTest::newRow("ICMP echo") << 0 << QStringList{range, "10.214.7.1", "10.214.7.2"};
    QTest::newRow("TCP connection") << 1 << QStringList{range};
}

// Fifty silent addresses at a 2 s time-out took 100 s one at a time; in parallel the scan takes about one
// time-out. The bound leaves room for a loaded machine and still fails at a few of them in a row.
void TestAddressRangeScan::silentAddressesCostOneTimeOut() {
    QFETCH(int, checkState);
    QFETCH(QStringList, expected);
    QElapsedTimer elapsed;
    elapsed.start();
    const QStringList found = Scan(checkState, 2000, FirstSilent + SilentCount - 1, nullptr);
    QCOMPARE(found, expected);
    QVERIFY2(elapsed.elapsed() < 20000, qPrintable(QString::number(elapsed.elapsed())));
}

// Detached while the probes of the silent addresses wait for their time-out, the scan ends without them.
void TestAddressRangeScan::stopDuringSilentAddressesIsPrompt() {
    QElapsedTimer elapsed;
    const QStringList found =
        Scan(0, 30000, 254, [&elapsed](const TSimpleObject& object, TThrdSearchGroupsAndComputers& search) {
            if (!object.IsGroup()) {
                elapsed.start();
                search.Detach();
            }
        });
    QCOMPARE(found, (QStringList{"10.214.7.1-10.214.7.254", "10.214.7.1"}));
    QVERIFY2(elapsed.elapsed() < 10000, qPrintable(QString::number(elapsed.elapsed())));
}

DORMIVA_NAMESPACE_TEST_MAIN(TestAddressRangeScan)
#include "TestAddressRangeScan.moc"
