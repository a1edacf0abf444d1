#include "NetUtil.h"
#include "PlatformSockets.h"
#include "TProbePeers.h"
#include "uProbeEngine.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// The peers of TProbePeers on 10.214.1.0/24.
const QString AnswersIcmpOnly = QStringLiteral("10.214.1.2");
const QString Silent = QStringLiteral("10.214.1.3");
const QString Absent = QStringLiteral("10.214.1.4");
const QString Unresolvable = QStringLiteral("dormiva-no-such-host.invalid");
constexpr quint32 TimeoutMs = 300;

using TResults = std::map<qsizetype, TProbeResult>;

TResults RunAll(TProbeEngine& engine, const QList<TProbeTarget>& targets) {
    for (qsizetype i = 0; i < targets.size(); ++i)
        engine.Add(i, targets[i]);
    engine.Finish();
    TResults results;
    engine.Run([&results](qsizetype index, const TProbeTarget&, const TProbeResult& result) {
        QVERIFY2(results.emplace(index, result).second, "two results for one target");
    });
    return results;
}

// Sends an ICMP echo reply from a local address of the calling thread's namespace.
bool SendEchoReply(const QString& from, const QString& to, quint16 identifier, quint16 sequence) {
    const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        return false;
    sockaddr_in source{};
    source.sin_family = AF_INET;
    source.sin_addr.s_addr = htonl(*Platform::ParseIPv4(from));
    sockaddr_in target = source;
    target.sin_addr.s_addr = htonl(*Platform::ParseIPv4(to));
    QByteArray reply = IcmpEchoRequest(identifier, sequence);
    // Type 8 becomes 0: the checksum grows by 0x0800, with the carry folded back in.
    reply[0] = 0;
    quint32 sum = (quint32(quint8(reply[2])) << 8 | quint8(reply[3])) + 0x0800;
    sum = (sum & 0xFFFF) + (sum >> 16);
    reply[2] = static_cast<char>(sum >> 8);
    reply[3] = static_cast<char>(sum);
    const bool sent = ::bind(fd, reinterpret_cast<const sockaddr*>(&source), sizeof source) == 0 &&
                      ::sendto(fd, reply.constData(), size_t(reply.size()), 0,
                               reinterpret_cast<const sockaddr*>(&target), sizeof target) == reply.size();
    ::close(fd);
    return sent;
}

// Answers every node status query after a delay with the query's transaction id, after a stray datagram.
class TDelayedNodeStatusPeer {
public:
    explicit TDelayedNodeStatusPeer(int delayMs) {
        m_socket.bind(QHostAddress::LocalHost);
        QObject::connect(&m_socket, &QUdpSocket::readyRead, [this, delayMs] {
            while (m_socket.hasPendingDatagrams()) {
                const QNetworkDatagram query = m_socket.receiveDatagram();
                QByteArray stray = query.data();
                stray[1] = static_cast<char>(stray[1] ^ 0x5A);
                m_socket.writeDatagram(query.makeReply(stray));
                QTimer::singleShot(delayMs, &m_socket, [this, query] {
                    m_socket.writeDatagram(query.makeReply(query.data() + QByteArray("reply")));
                });
            }
        });
    }
    quint16 Port() const { return m_socket.localPort(); }

private:
    QUdpSocket m_socket;
};

} // namespace

class TestProbeEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void mixedSet_data();
    void mixedSet();
    void everyEchoOfALoopbackBurstAnswers_data();
    void everyEchoOfALoopbackBurstAnswers();
    void repliesAfterTheDeadlineNeverCount();
    void lateEchoRepliesNeverCount();
    void stopIsPrompt();
    void noCheckAnswersAtOnce();
    void slowNameLookupStallsNoOtherProbe_data();
    void slowNameLookupStallsNoOtherProbe();

private:
    bool AllowIcmpDatagramSockets(bool allow) const {
        return m_client->Exec(
            {"sysctl", "-q", "-w", allow ? "net.ipv4.ping_group_range=0 2147483647" : "net.ipv4.ping_group_range=1 0"});
    }

    std::unique_ptr<TProbePeers> m_peers;
    const TNetworkNamespace* m_client = nullptr;
};

void TestProbeEngine::initTestCase() {
    m_peers = std::make_unique<TProbePeers>(QStringLiteral("engine"), QStringLiteral("10.214.1"));
    QVERIFY(m_peers->IsReady());
    m_client = &m_peers->Client();
}

void TestProbeEngine::mixedSet_data() {
    QTest::addColumn<TProbeMethod>("method");
    QTest::addColumn<bool>("unprivileged");
    QTest::addColumn<int>("maxInFlight");
    QTest::addColumn<QList<bool>>("answered");
    // Answering, a loopback address without a listener, answering ICMP only, silent, absent, unresolvable.
    const QList<bool> icmp{true, true, true, false, false, false};
    const QList<bool> tcp{true, false, false, false, false, false};
    for (const int maxInFlight : {256, 1}) {
        QTest::addRow("ICMP, raw socket, %d in flight", maxInFlight)
            << TProbeMethod::IcmpEcho << false << maxInFlight << icmp;
        QTest::addRow("ICMP, datagram socket, %d in flight", maxInFlight)
            << TProbeMethod::IcmpEcho << true << maxInFlight << icmp;
        QTest::addRow("TCP, %d in flight", maxInFlight) << TProbeMethod::TcpConnect << false << maxInFlight << tcp;
    }
}

void TestProbeEngine::mixedSet() {
    QFETCH(TProbeMethod, method);
    QFETCH(bool, unprivileged);
    QFETCH(int, maxInFlight);
    QFETCH(QList<bool>, answered);
    const QStringList hosts{"127.0.0.1", "127.0.0.2", AnswersIcmpOnly, Silent, Absent, Unresolvable};
    QVERIFY(AllowIcmpDatagramSockets(unprivileged));
    const TResults results = m_client->Inside([&] {
        if (unprivileged && !TProbePeers::DropRawSocketCapability())
            return TResults{};
        QTcpServer listener;
        listener.listen(QHostAddress::LocalHost);
        QList<TProbeTarget> targets;
        for (const QString& host : hosts)
            targets.append({host, method, listener.serverPort(), TimeoutMs});
        TProbeEngine engine({maxInFlight});
        return RunAll(engine, targets);
    });
    QCOMPARE(results.size(), size_t(hosts.size()));
    for (const auto& [index, result] : results) {
        QVERIFY2(result.Answered == answered[index], qPrintable(hosts[index]));
        QVERIFY(result.RoundTripMs <= TimeoutMs);
    }
}

void TestProbeEngine::everyEchoOfALoopbackBurstAnswers_data() {
    QTest::addColumn<bool>("unprivileged");
    QTest::addColumn<int>("maxInFlight");
    for (const int maxInFlight : {256, 4096}) {
        QTest::addRow("raw socket, %d in flight", maxInFlight) << false << maxInFlight;
        QTest::addRow("datagram socket, %d in flight", maxInFlight) << true << maxInFlight;
    }
}

// Loopback is not paced and answers within the send: a whole window of replies waits on the socket at once,
// and none of them may be lost (a raw socket also gets a copy of each request).
void TestProbeEngine::everyEchoOfALoopbackBurstAnswers() {
    QFETCH(bool, unprivileged);
    QFETCH(int, maxInFlight);
    QVERIFY(AllowIcmpDatagramSockets(unprivileged));
    const TResults results = m_client->Inside([&] {
        if (unprivileged && !TProbePeers::DropRawSocketCapability())
            return TResults{};
        // A lost reply never comes; the long time-out only spares a busy machine a false alarm.
        QList<TProbeTarget> targets;
        for (int i = 0; i < 6000; ++i)
            targets.append({QStringLiteral("127.0.%1.%2").arg(1 + i / 250).arg(1 + i % 250), TProbeMethod::IcmpEcho, 0,
                            10 * TimeoutMs});
        TProbeEngine engine({maxInFlight});
        return RunAll(engine, targets);
    });
    QCOMPARE(results.size(), size_t(6000));
    const auto silent =
        std::count_if(results.begin(), results.end(), [](const auto& entry) { return !entry.second.Answered; });
    QCOMPARE(silent, 0);
}

void TestProbeEngine::repliesAfterTheDeadlineNeverCount() {
    TDelayedNodeStatusPeer prompt(0);
    TDelayedNodeStatusPeer late(2 * TimeoutMs);
    QUdpSocket unused;
    unused.bind(QHostAddress::LocalHost);
    // The last target keeps the engine listening well past the late reply.
    const QList<TProbeTarget> targets{{"127.0.0.1", TProbeMethod::NodeStatus, prompt.Port(), TimeoutMs},
                                      {"127.0.0.1", TProbeMethod::NodeStatus, late.Port(), TimeoutMs},
                                      {"127.0.0.2", TProbeMethod::NodeStatus, unused.localPort(), 6 * TimeoutMs}};
    TProbeEngine engine;
    TResults results;
    std::thread probing([&] { results = RunAll(engine, targets); });
    QTRY_VERIFY_WITH_TIMEOUT(results.size() == 3, 20000);
    probing.join();
    QVERIFY(results[0].Answered);
    QVERIFY(results[0].Reply.endsWith("reply"));
    QVERIFY(!results[1].Answered);
    QVERIFY(results[1].Reply.isEmpty());
    QVERIFY(!results[2].Answered);
}

void TestProbeEngine::lateEchoRepliesNeverCount() {
    // On a raw socket the identifier is the process's, so the peer can forge replies that match.
    QVERIFY(AllowIcmpDatagramSockets(false));
    const auto identifier = static_cast<quint16>(QCoreApplication::applicationPid());
    std::atomic<bool> probing{false};
    std::thread forger([&] {
        m_peers->Peer().Inside([&] {
            while (!probing)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            // Sequence numbers go out in the order of the targets, from 1.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            SendEchoReply(Silent, m_peers->Address(1), identifier, 2);
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            return SendEchoReply(Silent, m_peers->Address(1), identifier, 1);
        });
    });
    const TResults results = m_client->Inside([&] {
        TProbeEngine engine;
        probing = true;
        // The TCP probe keeps the engine listening past the late reply.
        return RunAll(engine, {{Silent, TProbeMethod::IcmpEcho, 0, TimeoutMs},
                               {Silent, TProbeMethod::IcmpEcho, 0, 5000},
                               {Silent, TProbeMethod::TcpConnect, 139, 2000}});
    });
    forger.join();
    QCOMPARE(results.size(), size_t(3));
    QVERIFY(!results.at(0).Answered);
    QVERIFY(results.at(1).Answered); // a forged reply in time counts, so the late one was heard too
    QVERIFY(!results.at(2).Answered);
}

void TestProbeEngine::stopIsPrompt() {
    QElapsedTimer elapsed;
    const auto results = m_client->Inside([&] {
        QList<TProbeTarget> targets;
        for (int i = 0; i < 300; ++i)
            targets.append({Silent, i % 2 ? TProbeMethod::IcmpEcho : TProbeMethod::TcpConnect, 139, 60000});
        TProbeEngine engine;
        std::thread stopper([&engine] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            engine.Stop();
        });
        elapsed.start();
        TResults reported = RunAll(engine, targets);
        stopper.join();
        return reported;
    });
    QVERIFY(elapsed.isValid());
    // Far from the time-out of the probes in flight, and nothing is reported after the stop.
    QVERIFY2(elapsed.elapsed() < 10000, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY(results.empty());
}

void TestProbeEngine::noCheckAnswersAtOnce() {
    TProbeEngine engine;
    const TResults results =
        RunAll(engine, {{Unresolvable, TProbeMethod::None, 0, 0}, {"127.0.0.1", TProbeMethod::None, 0, 0}});
    QCOMPARE(results.size(), size_t(2));
    QVERIFY(results.at(0).Answered && results.at(1).Answered);
}

void TestProbeEngine::slowNameLookupStallsNoOtherProbe_data() {
    QTest::addColumn<bool>("resolves");
    QTest::newRow("the name resolves") << true;
    QTest::newRow("the name does not resolve") << false;
}

// The replies to the probes sent before the name's turn arrive while its lookup is still running; they must
// be read in time all the same.
void TestProbeEngine::slowNameLookupStallsNoOtherProbe() {
    QFETCH(bool, resolves);
    TDelayedNodeStatusPeer peer(100);
    QList<TProbeTarget> targets;
    for (int i = 0; i < 3; ++i)
        targets.append({"127.0.0.1", TProbeMethod::NodeStatus, peer.Port(), TimeoutMs});
    targets.append({"slow.test", TProbeMethod::NodeStatus, peer.Port(), TimeoutMs});
    TProbeEngine engine({}, [resolves](const QString&) -> std::optional<quint32> {
        std::this_thread::sleep_for(std::chrono::milliseconds(4 * TimeoutMs));
        return resolves ? Platform::ParseIPv4(QStringLiteral("127.0.0.1")) : std::nullopt;
    });
    TResults results;
    std::atomic<bool> done{false};
    std::thread probing([&] {
        results = RunAll(engine, targets);
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    probing.join();
    QCOMPARE(results.size(), size_t(targets.size()));
    for (qsizetype i = 0; i < 3; ++i)
        QVERIFY2(results.at(i).Answered, qPrintable(QString::number(i)));
    QCOMPARE(results.at(3).Answered, resolves);
}

DORMIVA_NAMESPACE_TEST_MAIN(TestProbeEngine)
#include "TestProbeEngine.moc"
