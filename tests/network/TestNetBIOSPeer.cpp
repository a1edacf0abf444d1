#include "NetUtil.h"
#include "PlatformSockets.h"
#include "TNetworkNamespace.h"
#include "TPeerProcess.h"
#include "uHardwareAddress.h"
#include "uProbeEngine.h"
#include "uThrdSearchGroupsAndComputers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

const QString PeerAddress = QStringLiteral("10.213.2.2");
const QString PeerName = QStringLiteral("DVPEER");
constexpr quint32 TimeoutMs = 500;

QString NmbdProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("nmbd"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
}

} // namespace

// Samba's nmbd as a real NetBIOS peer, in a namespace of its own: it answers node status queries only
// on an interface other than loopback, so the client reaches it over a veth pair.
class TestNetBIOSPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void nameOfTheComputer();
    void browserNameIsPassedOver();
    void hardwareAddressFromNodeStatus();
    void nothingListening();
    void rangeScanNamesLiveAddresses();

private:
    // Asks until the reply satisfies the condition or the peer had a minute; its names appear a few
    // seconds after start, the browser name only after it has won the election.
    template <typename TCondition> QByteArray PollReply(TCondition condition);

    QTemporaryDir m_folder;
    std::unique_ptr<TNetworkNamespace> m_client;
    std::unique_ptr<TNetworkNamespace> m_server;
    std::unique_ptr<TPeerProcess> m_nmbd;
};

void TestNetBIOSPeer::initTestCase() {
    QVERIFY(m_folder.isValid());
    m_client = std::make_unique<TNetworkNamespace>(QStringLiteral("nbclient"));
    m_server = std::make_unique<TNetworkNamespace>(QStringLiteral("nbserver"));
    QVERIFY(m_client->IsCreated() && m_server->IsCreated());
    QVERIFY(m_client->Ip({"link", "add", "c0", "type", "veth", "peer", "name", "s0", "netns", m_server->Name()}));
    QVERIFY(m_client->Ip({"addr", "add", "10.213.2.1/24", "dev", "c0"}));
    QVERIFY(m_server->Ip({"addr", "add", "10.213.2.2/24", "dev", "s0"}));
    QVERIFY(m_client->Ip({"link", "set", "c0", "up"}));
    QVERIFY(m_server->Ip({"link", "set", "s0", "up"}));

    const QDir root(m_folder.path());
    QString config = QStringLiteral("[global]\n"
                                    "netbios name = %1\n"
                                    "workgroup = DVGROUP\n"
                                    "interfaces = lo s0\n"
                                    "bind interfaces only = yes\n"
                                    "server role = standalone server\n"
                                    "local master = yes\n"
                                    "preferred master = yes\n"
                                    "os level = 65\n")
                         .arg(PeerName);
    const QList<std::pair<QString, QString>> folders{{"lock directory", "lock"},   {"state directory", "state"},
                                                     {"cache directory", "cache"}, {"pid directory", "pid"},
                                                     {"private dir", "private"},   {"ncalrpc dir", "ncalrpc"}};
    for (const auto& [parameter, folder] : folders) {
        QVERIFY(root.mkpath(folder));
        config += QStringLiteral("%1 = %2\n").arg(parameter, root.filePath(folder));
    }
    config += QStringLiteral("log file = %1\n").arg(root.filePath(QStringLiteral("nmbd.log")));
    QFile file(root.filePath(QStringLiteral("smb.conf")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(config.toUtf8());
    file.close();

    m_nmbd = std::make_unique<TPeerProcess>(
        QStringLiteral("ip"), QStringList{"netns", "exec", m_server->Name(), NmbdProgram(), "--foreground",
                                          "--no-process-group", "--configfile=" + file.fileName()});
    QVERIFY2(m_nmbd->IsRunning(), qPrintable(m_nmbd->Output()));
}

template <typename TCondition> QByteArray TestNetBIOSPeer::PollReply(TCondition condition) {
    const QDeadlineTimer deadline(60000);
    QByteArray reply;
    while (!deadline.hasExpired() && m_nmbd->IsRunning()) {
        reply = m_client->Inside([] {
            return Platform::UdpRequestReply(*Platform::ParseIPv4(PeerAddress), 137, NodeStatusRequest(), TimeoutMs,
                                             1025);
        });
        if (condition(reply))
            break;
        QThread::msleep(200);
    }
    return reply;
}

void TestNetBIOSPeer::nameOfTheComputer() {
    PollReply([](const QByteArray& reply) { return !ParseNodeStatusReply(reply).isEmpty(); });
    const QString name = m_client->Inside([] { return GetNetBIOSNameByIP(PeerAddress, TimeoutMs); });
    QVERIFY2(name == PeerName, qPrintable(name + m_nmbd->Output()));
}

void TestNetBIOSPeer::browserNameIsPassedOver() {
    const QByteArray reply = PollReply([](const QByteArray& r) { return r.contains("__MSBROWSE__"); });
    QVERIFY2(reply.contains("__MSBROWSE__"), "nmbd did not win the browser election within a minute");
    QCOMPARE(ParseNodeStatusReply(reply), PeerName);
}

// Samba puts zeros where Windows puts its adapter's address, so nmbd's reply yields the address through the
// neighbour entry that the exchange itself made.
void TestNetBIOSPeer::hardwareAddressFromNodeStatus() {
    PollReply([](const QByteArray& reply) { return !ParseNodeStatusReply(reply).isEmpty(); });
    QVERIFY(m_client->Ip({"neigh", "flush", "all"}));
    const auto [unitId, learned] = m_client->Inside([] {
        const TProbeResult result =
            TProbeEngine::ProbeOne({PeerAddress, TProbeMethod::NodeStatus, NetBIOSNamePort, TimeoutMs});
        return std::pair{ParseNodeStatusUnitId(result.Reply), NodeStatusHardwareAddress(result.Reply, result.Address)};
    });
    QCOMPARE(unitId, QString());
    const QString veth = m_server->HardwareAddress(QStringLiteral("s0"));
    QVERIFY(!veth.isEmpty());
    QCOMPARE(learned, NormalizeHardwareAddress(veth).value_or(QString()));
    // No reply, no address, whatever the neighbour table holds.
    QCOMPARE(NodeStatusHardwareAddress(QByteArray(), *Platform::ParseIPv4(PeerAddress)), QString());
}

void TestNetBIOSPeer::nothingListening() {
    // The client's own address has no NetBIOS service: the port is unreachable, the answer empty.
    QCOMPARE(m_client->Inside([] { return GetNetBIOSNameByIP(QStringLiteral("10.213.2.1"), TimeoutMs); }), QString());
    QCOMPARE(m_client->Inside([] { return GetNetBIOSNameByIP(QStringLiteral("pc-17"), TimeoutMs); }), QString());
}

// The scan asks the live addresses for their names while it goes on probing; the absent .3 gets no report.
void TestNetBIOSPeer::rangeScanNamesLiveAddresses() {
    PollReply([](const QByteArray& reply) { return !ParseNodeStatusReply(reply).isEmpty(); });
    QPointer<TThrdSearchGroupsAndComputers> search = new TThrdSearchGroupsAndComputers({0, TimeoutMs, 139});
    QStringList found;
    search->SetOnFoundObject(
        [&found](TSimpleObject& object) { found.append(object.Name + u'|' + object.Description); });
    search->SetSearchMode(2);
    search->SetStartIP(QStringLiteral("10.213.2.3"));
    search->SetStopIP(PeerAddress);
    search->SetOnlyLiveComputers(true);
    search->SetResolveNames(true);
    m_client->Inside([&search] {
        search->start();
        return true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(search.isNull(), 60000);
    QCOMPARE(found, (QStringList{"10.213.2.2-10.213.2.3|", PeerAddress + u'|' + PeerName}));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestNetBIOSPeer test;
    return RunNamespaceTest(&test, argc, argv,
                            NmbdProgram().isEmpty() ? QStringLiteral("nmbd (Debian samba) is not installed")
                                                    : QString());
}
#include "TestNetBIOSPeer.moc"
