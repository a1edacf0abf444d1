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

// Hears UDP port 9 on every address of a namespace, broadcasts included, until it goes.
class TWakeUpListener {
public:
    explicit TWakeUpListener(const TNetworkNamespace& space) {
        std::promise<bool> ready;
        std::future<bool> bound = ready.get_future();
        m_thread = std::thread([this, &space, &ready] {
            const int fd = space.EnterOnThisThread() ? ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0) : -1;
            const int on = 1;
            const sockaddr_in any{AF_INET, htons(9), {htonl(INADDR_ANY)}, {}};
            const bool ok = fd >= 0 && ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0 &&
                            ::bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
            ready.set_value(ok);
            while (ok && !m_stop)
                Receive(fd);
            if (fd >= 0)
                ::close(fd);
        });
        m_ready = bound.get();
    }
    ~TWakeUpListener() {
        m_stop = true;
        m_thread.join();
    }
    TWakeUpListener(const TWakeUpListener&) = delete;
    TWakeUpListener& operator=(const TWakeUpListener&) = delete;

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
        msghdr message{};
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
        const QMutexLocker locker(&m_lock);
        m_received.append(datagram);
    }

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

private:
    TDataJob RunInClient(const QString& name, const QString& hardwareAddress);

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
    TWakeUpListener listener(m_peers->Peer());
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

// A reachability pass gives the list the hardware address of the computer that answered, and nothing for
// the one that did not.
void TestWakeOnLanPeers::passLearnsTheHardwareAddress() {
    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    TComputerList list(m_options, prompts, dialogs);
    TComputerObject* live = list.NewComputer(m_peers->Address(2), QString(), nullptr);
    TComputerObject* silent = list.NewComputer(m_peers->Address(3), QString(), nullptr);
    QPointer<TThrdUpdateComputerState> pass =
        new TThrdUpdateComputerState([this] { return TCheckSettings::FromOptions(m_options); });
    bool done = false;
    // The pass's thread is born in the namespace of the thread that starts it.
    m_peers->Client().Inside([&] {
        pass->Start(
            {live->Name(), silent->Name()}, [&list](const QString& name, bool up) { list.ApplyPassResult(name, up); },
            [&list](const QString& name, const QString& address) { list.LearnHardwareAddress(name, address); },
            [&done] { done = true; });
        return true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(pass.isNull(), 10000);
    QCOMPARE(live->MacAddress(), m_peerAddress);
    QCOMPARE(silent->MacAddress(), QString());
    QVERIFY(list.Modified());
}

DORMIVA_NAMESPACE_TEST_MAIN(TestWakeOnLanPeers)
#include "TestWakeOnLanPeers.moc"
