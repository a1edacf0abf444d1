#include "LangChanger.h"
#include "NetUtil.h"
#include "TProbePeers.h"
#include "TScriptedPrompts.h"
#include "uAppLog.h"
#include "uIcmpNotice.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>

namespace {

// The peers of TProbePeers on 10.213.1.0/24.
const QString AnswersIcmpOnly = QStringLiteral("10.213.1.2");
const QString Silent = QStringLiteral("10.213.1.3");
constexpr quint32 TimeoutMs = 300;

struct TTimed {
    qint32 Result = 0;
    qint64 ElapsedMs = 0;
};

template <typename TProbe> TTimed Timed(TProbe probe) {
    QElapsedTimer timer;
    timer.start();
    const qint32 result = probe();
    return {result, timer.elapsed()};
}

} // namespace

class TestNetUtilPeers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void icmpEcho();
    void tcpProbeTimesOut();
    void configuredCheck();
    void namesThatDoNotResolve();
    void icmpUnavailableIsToldOnce();
    void icmpUnavailableReachesTheLog();
    void icmpDatagramSocketWithoutPrivilege();

private:
    std::unique_ptr<TProbePeers> m_peers;
    const TNetworkNamespace* m_client = nullptr;
};

void TestNetUtilPeers::initTestCase() {
    m_peers = std::make_unique<TProbePeers>(QStringLiteral("netutil"), QStringLiteral("10.213.1"));
    QVERIFY(m_peers->IsReady());
    m_client = &m_peers->Client();
}

void TestNetUtilPeers::icmpEcho() {
    const auto loopback = m_client->Inside([] { return Timed([] { return PingHost("127.0.0.1", TimeoutMs); }); });
    QVERIFY2(loopback.Result >= 0 && loopback.Result <= qint32(TimeoutMs),
             qPrintable(QString::number(loopback.Result)));
    const auto peer = m_client->Inside([] { return Timed([] { return PingHost(AnswersIcmpOnly, TimeoutMs); }); });
    QVERIFY2(peer.Result >= 0 && peer.Result <= qint32(TimeoutMs), qPrintable(QString::number(peer.Result)));
    const auto silent = m_client->Inside([] { return Timed([] { return PingHost(Silent, TimeoutMs); }); });
    QCOMPARE(silent.Result, NoAnswer);
    QVERIFY2(silent.ElapsedMs >= TimeoutMs - 10, qPrintable(QString::number(silent.ElapsedMs)));
}

void TestNetUtilPeers::tcpProbeTimesOut() {
    for (const QString& host : {AnswersIcmpOnly, Silent}) {
        const auto probe = m_client->Inside([&] { return Timed([&] { return ProbeTCPPort(host, TimeoutMs, 139); }); });
        QCOMPARE(probe.Result, NoAnswer);
        QVERIFY2(probe.ElapsedMs >= TimeoutMs - 10, qPrintable(QString::number(probe.ElapsedMs)));
    }
}

void TestNetUtilPeers::configuredCheck() {
    const auto reachable = m_client->Inside([] {
        const TCheckSettings ping{0, TimeoutMs, 139};
        const TCheckSettings tcp{1, TimeoutMs, 139};
        return QList<bool>{IsComputerReachable(AnswersIcmpOnly, ping), IsComputerReachable(AnswersIcmpOnly, tcp),
                           IsComputerReachable(Silent, ping),
                           GetComputerResponseTime(AnswersIcmpOnly, ping) != NoAnswer};
    });
    QCOMPARE(reachable, (QList<bool>{true, false, false, true}));
}

// Resolution runs inside the client namespace: a query the resolver cannot answer from the hosts file
// goes nowhere but into that namespace.
void TestNetUtilPeers::namesThatDoNotResolve() {
    const auto results = m_client->Inside([] {
        return QStringList{ResolveHostToIP("dormiva-no-such-host.invalid"), ResolveIPToHostName(AnswersIcmpOnly),
                           ResolveIPToHostName("not an address"), ResolveHostToIP("localhost"),
                           QString::number(PingHost("dormiva-no-such-host.invalid", TimeoutMs))};
    });
    QCOMPARE(results, (QStringList{"", "", "", "127.0.0.1", QString::number(NoAnswer)}));
}

void TestNetUtilPeers::icmpUnavailableIsToldOnce() {
    std::atomic<int> told{0};
    SetIcmpUnavailableHandler([&told] { ++told; });
    // A new namespace lets no group use ICMP datagram sockets; without CAP_NET_RAW no raw socket either.
    const auto results = m_client->Inside([] {
        if (!TProbePeers::DropRawSocketCapability())
            return QList<qint32>{};
        return QList<qint32>{PingHost("127.0.0.1", TimeoutMs), PingHost("127.0.0.1", TimeoutMs)};
    });
    QCOMPARE(results, (QList<qint32>{NoAnswer, NoAnswer}));
    QCOMPARE(told.load(), 1);
    SetIcmpUnavailableHandler([&told] { told += 10; });
    m_client->Inside([] { return TProbePeers::DropRawSocketCapability() ? PingHost("127.0.0.1", TimeoutMs) : 0; });
    QCOMPARE(told.load(), 11);
    SetIcmpUnavailableHandler({});
}

void TestNetUtilPeers::icmpUnavailableReachesTheLog() {
    QTemporaryDir folder;
    TScriptedPrompts prompts;
    auto log = std::make_unique<TAppLog>(folder.path() + QStringLiteral("/"), &prompts);
    RouteIcmpUnavailableToLog(log.get());
    m_client->Inside([] { return TProbePeers::DropRawSocketCapability() ? PingHost("127.0.0.1", TimeoutMs) : 0; });
    QTRY_COMPARE(log->Count(), 1);
    QCOMPARE(log->Item(0).Level, TAppLogLevel::Warning);
    QCOMPARE(log->Item(0).Text, LangStr(QStringLiteral("sIcmpEchoNotPermitted")));
    // A notice still under way when the log goes is dropped.
    RouteIcmpUnavailableToLog(log.get());
    m_client->Inside([] { return TProbePeers::DropRawSocketCapability() ? PingHost("127.0.0.1", TimeoutMs) : 0; });
    log.reset();
    QCoreApplication::processEvents();
    RouteIcmpUnavailableToLog(nullptr);
}

void TestNetUtilPeers::icmpDatagramSocketWithoutPrivilege() {
    QVERIFY(m_client->Exec({"sysctl", "-q", "-w", "net.ipv4.ping_group_range=0 2147483647"}));
    std::atomic<int> told{0};
    SetIcmpUnavailableHandler([&told] { ++told; });
    const auto results = m_client->Inside([] {
        if (!TProbePeers::DropRawSocketCapability())
            return QList<bool>{};
        return QList<bool>{PingHost("127.0.0.1", TimeoutMs) != NoAnswer,
                           PingHost(AnswersIcmpOnly, TimeoutMs) != NoAnswer, PingHost(Silent, TimeoutMs) != NoAnswer};
    });
    SetIcmpUnavailableHandler({});
    QCOMPARE(results, (QList<bool>{true, true, false}));
    QCOMPARE(told.load(), 0);
    QVERIFY(m_client->Exec({"sysctl", "-q", "-w", "net.ipv4.ping_group_range=1 0"}));
}

DORMIVA_NAMESPACE_TEST_MAIN(TestNetUtilPeers)
#include "TestNetUtilPeers.moc"
