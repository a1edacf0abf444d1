#include "NetUtil.h"
#include "PlatformNeighbours.h"
#include "PlatformSockets.h"
#include "TEnglishTexts.h"
#include "TProbePeers.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "UThrdUpdateComputerState.h"
#include "uComputerList.h"
#include "uHardwareAddress.h"
#include "uProgramOptions.h"
#include "uRunController.h"
#include "uRunJob.h"

#include <QMutex>
#include <QPointer>
#include <QTest>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A label longer than 63 characters cannot be put into a DNS query: the name fails at once, unsent.
const QString Unresolvable = QString(70, u'x') + QStringLiteral(".invalid");

struct TDatagram {
    QByteArray Data;
    QString Destination; // the address the sender put in the header
};

// Hears a UDP port on every address of a namespace, broadcasts included, until it goes; answers each datagram
// with what answer gives for it, when that is not empty.
class TUdpPeer {
public:
    using TAnswer = std::function<QByteArray(const QByteArray& request)>;

    TUdpPeer(const TNetworkNamespace& space, quint16 port, TAnswer answer = {}) : m_answer(std::move(answer)) {
        const quint16 portBE = htons(port);
        std::future<bool> bound = m_bound.get_future();
        m_thread = std::thread([this, &space, portBE] {
            const int fd = space.EnterOnThisThread() ? ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0) : -1;
            const int on = 1;
            const sockaddr_in any{AF_INET, portBE, {htonl(INADDR_ANY)}, {}};
            const bool ok = fd >= 0 && ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0 &&
                            ::bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
            m_bound.set_value(ok);
            while (ok && !m_stop)
                Receive(fd);
            if (fd >= 0)
                ::close(fd);
        });
        m_ready = bound.get();
    }
    ~TUdpPeer() {
        m_stop = true;
        m_thread.join();
    }
    TUdpPeer(const TUdpPeer&) = delete;
    TUdpPeer& operator=(const TUdpPeer&) = delete;

    bool IsReady() const { return m_ready; }
    QList<TDatagram> Received() {
        const QMutexLocker locker(&m_lock);
        return m_received;
    }

private:
    void Receive(int fd) {
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, 50) <= 0)
            return;
        char data[2048];
        alignas(cmsghdr) char control[256];
        iovec part{data, sizeof data};
        sockaddr_in from{};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t size = ::recvmsg(fd, &message, 0);
        if (size < 0)
            return;
        TDatagram datagram{QByteArray(data, size), {}};
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info{};
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                datagram.Destination = Platform::FormatIPv4(ntohl(info.ipi_addr.s_addr));
            }
        }
        if (const QByteArray answer = m_answer ? m_answer(datagram.Data) : QByteArray(); !answer.isEmpty())
            ::sendto(fd, answer.constData(), size_t(answer.size()), 0, reinterpret_cast<const sockaddr*>(&from),
                     sizeof from);
        const QMutexLocker locker(&m_lock);
        m_received.append(datagram);
    }

    const TAnswer m_answer;
    std::promise<bool> m_bound; // a member: the thread may still be inside set_value when the caller wakes
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
    bool m_ready = false;
    QMutex m_lock;
    QList<TDatagram> m_received;
};

} // namespace

// Wake-up packets and learned hardware addresses on a link of their own: the client namespace reaches the
// peer namespace (10.216.4.0/24, .2 answers ICMP echo, .3 drops everything) over a veth pair.
class TestWakeOnLanPeers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void eachComputerGetsItsMagicPacket();
    void waitsUntilTheComputerAnswers_data();
    void waitsUntilTheComputerAnswers();
    void neighbourTableHoldsThePeer();
    void passLearnsTheHardwareAddress();
    void passAsksComputersOffTheLinkByNodeStatus_data();
    void passAsksComputersOffTheLinkByNodeStatus();

private:
    TDataJob RunInClient(const QString& name, const QString& hardwareAddress);
    // Runs one reachability pass over the names from inside the namespace and gives the list what it learns.
    static void PassFrom(const TNetworkNamespace& space, TComputerList& list, const TProgramOptions& options);

    TEnglishTexts m_english;
    TProgramOptions m_options;
    std::unique_ptr<TProbePeers> m_peers;
    QString m_peerAddress; // of the peer's end of the veth pair
};

void TestWakeOnLanPeers::initTestCase() {
    QVERIFY(m_english.IsLoaded());
    m_peers = std::make_unique<TProbePeers>(QStringLiteral("wol"), QStringLiteral("10.216.4"));
    QVERIFY(m_peers->IsReady());
    // The limited broadcast needs a route; inside the client namespace it can only leave over the veth pair.
    QVERIFY(m_peers->Client().Ip({"route", "add", "default", "dev", "c0"}));
    m_peerAddress = NormalizeHardwareAddress(m_peers->Peer().HardwareAddress(QStringLiteral("p0"))).value_or(QString());
    QVERIFY(!m_peerAddress.isEmpty());
    m_options.DefaultCheckState = 0;
    m_options.DefaultTimeout = 300;
}

TDataJob TestWakeOnLanPeers::RunInClient(const QString& name, const QString& hardwareAddress) {
    TDataJob job;
    job.Name = name;
    job.Action = acWakeUp;
    job.HardwareAddress = hardwareAddress;
    m_peers->Client().Inside([&] {
        RunJob(job, m_options, [] { return false; });
        return true;
    });
    return job;
}

// The packet goes to the directed broadcast of the subnet that holds the computer, or to 255.255.255.255 when
// its name does not resolve; it is six 0xFF bytes and the address sixteen times, whatever form it was typed in.
void TestWakeOnLanPeers::eachComputerGetsItsMagicPacket() {
    TUdpPeer listener(m_peers->Peer(), 9);
    QVERIFY(listener.IsReady());
    m_options.iWakeUpWaitSeconds = 0;
    struct TCase {
        QString Name;
        QString HardwareAddress;
        QString Broadcast;
    };
    const QList<TCase> cases{{m_peers->Address(2), QStringLiteral("00:16:3e:01:02:03"), m_peers->Address(255)},
                             {m_peers->Address(77), QStringLiteral("02-00-5E-10-00-01"), m_peers->Address(255)},
                             {Unresolvable, QStringLiteral("00-16-3E-AA-BB-CC"), QStringLiteral("255.255.255.255")}};
    for (const TCase& each : cases) {
        const TDataJob job = RunInClient(each.Name, each.HardwareAddress);
        QCOMPARE(job.Result, qint32(jrDone));
        QCOMPARE(job.WakeUpTarget, each.Broadcast);
        QCOMPARE(TRunController::JobOutcomeText(job), QStringLiteral("%1: wake-up packet for %2 sent to %3.")
                                                          .arg(each.Name, each.HardwareAddress, each.Broadcast));
    }
    QTRY_COMPARE_WITH_TIMEOUT(listener.Received().size(), cases.size(), 10000);
    const QList<TDatagram> received = listener.Received();
    for (qsizetype i = 0; i < cases.size(); ++i) {
        QByteArray expected(6, '\xFF');
        for (int copy = 0; copy < 16; ++copy)
            expected += QByteArray::fromHex(cases[i].HardwareAddress.toLatin1().replace(':', "").replace('-', ""));
        QCOMPARE(received[i].Data, expected);
        QCOMPARE(received[i].Destination, cases[i].Broadcast);
    }
}

void TestWakeOnLanPeers::waitsUntilTheComputerAnswers_data() {
    QTest::addColumn<int>("host");
    QTest::addColumn<qint32>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("answers") << 2 << qint32(jrDone) << "%1: woke up and answered after 0 s.";
    QTest::newRow("stays silent") << 3 << qint32(jrNoAnswer)
                                  << "%1: wake-up packet sent to 10.216.4.255, but the computer did not answer within "
                                     "the waiting time. It may be switched off at the mains, or Wake-on-LAN may be off "
                                     "in its firmware or adapter settings.";
}

void TestWakeOnLanPeers::waitsUntilTheComputerAnswers() {
    QFETCH(int, host);
    QFETCH(qint32, result);
    QFETCH(QString, text);
    m_options.iWakeUpWaitSeconds = 2;
    const TDataJob job = RunInClient(m_peers->Address(host), QStringLiteral("00-16-3E-01-02-03"));
    QCOMPARE(job.Result, result);
    QCOMPARE(TRunController::JobOutcomeText(job), text.arg(m_peers->Address(host)));
}

void TestWakeOnLanPeers::neighbourTableHoldsThePeer() {
    const QString peer = m_peers->Address(2);
    const QString learned = m_peers->Client().Inside([&peer] {
        if (PingHost(peer, 1000) == NoAnswer)
            return QStringLiteral("no answer");
        return FormatHardwareAddress(Platform::NeighbourHardwareAddress(*Platform::ParseIPv4(peer)));
    });
    QCOMPARE(learned, m_peerAddress);
    // An address nothing answers on has no complete entry.
    const QByteArray absent = m_peers->Client().Inside([this] {
        PingHost(m_peers->Address(4), 300);
        return Platform::NeighbourHardwareAddress(*Platform::ParseIPv4(m_peers->Address(4)));
    });
    QCOMPARE(absent, QByteArray());
}

void TestWakeOnLanPeers::PassFrom(const TNetworkNamespace& space, TComputerList& list, const TProgramOptions& options) {
    QStringList names;
    list.GetComputerNames(names);
    QPointer<TThrdUpdateComputerState> pass =
        new TThrdUpdateComputerState([&options] { return TCheckSettings::FromOptions(options); });
    bool done = false;
    // The pass's thread is born in the namespace of the thread that starts it.
    space.Inside([&] {
        pass->Start(
            names, [&list](const QString& name, bool up) { list.ApplyPassResult(name, up); },
            [&list](const QString& name, const QString& address) { list.LearnHardwareAddress(name, address); },
            [&done] { done = true; });
        return true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(pass.isNull(), 10000);
}

// A reachability pass gives the list the hardware address of the computer that answered, and nothing for
// the one that did not.
void TestWakeOnLanPeers::passLearnsTheHardwareAddress() {
    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    TComputerList list(m_options, prompts, dialogs);
    TComputerObject* live = list.NewComputer(m_peers->Address(2), QString(), nullptr);
    TComputerObject* silent = list.NewComputer(m_peers->Address(3), QString(), nullptr);
    PassFrom(m_peers->Client(), list, m_options);
    QCOMPARE(live->MacAddress(), m_peerAddress);
    QCOMPARE(silent->MacAddress(), QString());
    QVERIFY(list.Modified());
}

void TestWakeOnLanPeers::passAsksComputersOffTheLinkByNodeStatus_data() {
    QTest::addColumn<QByteArray>("unitId");
    QTest::addColumn<QString>("learned");
    QTest::newRow("Windows names its adapter") << QByteArray::fromHex("00163e0a0b0c") << "00-16-3E-0A-0B-0C";
    QTest::newRow("zeros, as Samba sends") << QByteArray(6, '\0') << "";
}

// Behind a router the neighbour table knows only the router: the address comes from the computer's own node
// status reply, and never the router's.
void TestWakeOnLanPeers::passAsksComputersOffTheLinkByNodeStatus() {
    QFETCH(QByteArray, unitId);
    QFETCH(QString, learned);
    const TNetworkNamespace client(QStringLiteral("wolfar-client"));
    const TNetworkNamespace router(QStringLiteral("wolfar-router"));
    const TNetworkNamespace far(QStringLiteral("wolfar-far"));
    QVERIFY(client.IsCreated() && router.IsCreated() && far.IsCreated());
    QVERIFY(client.Ip({"link", "add", "c0", "type", "veth", "peer", "name", "r0", "netns", router.Name()}));
    QVERIFY(router.Ip({"link", "add", "r1", "type", "veth", "peer", "name", "f0", "netns", far.Name()}));
    QVERIFY(client.Ip({"addr", "add", "10.217.1.1/24", "dev", "c0"}));
    QVERIFY(router.Ip({"addr", "add", "10.217.1.254/24", "dev", "r0"}));
    QVERIFY(router.Ip({"addr", "add", "10.217.2.254/24", "dev", "r1"}));
    QVERIFY(far.Ip({"addr", "add", "10.217.2.2/24", "dev", "f0"}));
    QVERIFY(client.Ip({"link", "set", "c0", "up"}) && router.Ip({"link", "set", "r0", "up"}) &&
            router.Ip({"link", "set", "r1", "up"}) && far.Ip({"link", "set", "f0", "up"}));
    QVERIFY(client.Ip({"route", "add", "default", "via", "10.217.1.254"}));
    QVERIFY(far.Ip({"route", "add", "default", "via", "10.217.2.254"}));
    QVERIFY(router.Exec({"sysctl", "-qw", "net.ipv4.ip_forward=1"}));
    // One unique name, then the statistics that open with the unit ID; the reply carries the query's id.
    const TUdpPeer netbios(far, NetBIOSNamePort, [unitId](const QByteArray& request) {
        return request.left(2) + QByteArray(54, '\0') + '\x01' + QByteArray("FARPC          ", 15) +
               QByteArray::fromHex("000400") + unitId + QByteArray(40, '\0');
    });
    QVERIFY(netbios.IsReady());

    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    TComputerList list(m_options, prompts, dialogs);
    TComputerObject* computer = list.NewComputer(QStringLiteral("10.217.2.2"), QString(), nullptr);
    PassFrom(client, list, m_options);
    QCOMPARE(computer->Status(), 1);
    QCOMPARE(computer->MacAddress(), learned);
    QCOMPARE(list.Modified(), !learned.isEmpty());
}

DORMIVA_NAMESPACE_TEST_MAIN(TestWakeOnLanPeers)
#include "TestWakeOnLanPeers.moc"
