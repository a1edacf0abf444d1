#include "NetUtil.h"
#include "uReplyMatcher.h"

#include <QTest>

namespace {

constexpr quint16 Identifier = 0x4d21;
constexpr quint32 Target = 0x0A000005; // 10.0.0.5
constexpr quint32 Elsewhere = 0x0A000006;

QByteArray IpHeader(quint32 source, quint32 destination) {
    QByteArray header(20, '\0');
    header[0] = 0x45;
    header[9] = 1; // ICMP
    for (int i = 0; i < 4; ++i) {
        header[12 + i] = static_cast<char>(source >> (24 - 8 * i));
        header[16 + i] = static_cast<char>(destination >> (24 - 8 * i));
    }
    return header;
}

QByteArray EchoReply(quint16 identifier, quint16 sequence) {
    QByteArray reply = IcmpEchoRequest(identifier, sequence);
    reply[0] = 0; // echo reply
    return reply;
}

// A destination-unreachable error that quotes our request to the address.
QByteArray Unreachable(quint32 address, quint16 identifier, quint16 sequence) {
    QByteArray error(8, '\0');
    error[0] = 3;
    error[1] = 1;
    return error + IpHeader(0x0A000001, address) + IcmpEchoRequest(identifier, sequence).left(8);
}

} // namespace

class TestReplyMatcher : public QObject {
    Q_OBJECT
private slots:
    void echoMessages_data();
    void echoMessages();
    void aReplyEndsItsProbeOnce();
    void tagsInUseAreNeverHandedOutAgain();
    void nodeStatusReplies();
};

void TestReplyMatcher::echoMessages_data() {
    QTest::addColumn<bool>("behindIpHeader");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<quint32>("from");
    QTest::addColumn<int>("expected"); // -1 stray, 0 unreachable, 1 answered
    // The sequence registered is 1.
    for (const bool raw : {false, true}) {
        const QByteArray ip = raw ? IpHeader(Target, 0x0A000001) : QByteArray();
        const char* kind = raw ? "raw" : "datagram";
        QTest::addRow("%s: reply", kind) << raw << ip + EchoReply(Identifier, 1) << Target << 1;
        QTest::addRow("%s: other identifier", kind) << raw << ip + EchoReply(Identifier + 1, 1) << Target << -1;
        QTest::addRow("%s: other sequence", kind) << raw << ip + EchoReply(Identifier, 2) << Target << -1;
        QTest::addRow("%s: other source", kind) << raw << ip + EchoReply(Identifier, 1) << Elsewhere << -1;
        QTest::addRow("%s: a request, not a reply", kind) << raw << ip + IcmpEchoRequest(Identifier, 1) << Target << -1;
        QTest::addRow("%s: truncated", kind) << raw << ip + EchoReply(Identifier, 1).left(7) << Target << -1;
        QTest::addRow("%s: unreachable", kind) << raw << ip + Unreachable(Target, Identifier, 1) << Elsewhere << 0;
        QTest::addRow("%s: unreachable for another address", kind)
            << raw << ip + Unreachable(Elsewhere, Identifier, 1) << Elsewhere << -1;
        QTest::addRow("%s: unreachable quoting a cut request", kind)
            << raw << ip + Unreachable(Target, Identifier, 1).left(8 + 20 + 7) << Elsewhere << -1;
        QTest::addRow("%s: empty", kind) << raw << ip << Target << -1;
    }
    QByteArray badLength = IpHeader(Target, 0x0A000001) + EchoReply(Identifier, 1);
    badLength[0] = 0x4F; // claims 60 header bytes
    QTest::newRow("raw: header longer than the message") << true << badLength << Target << -1;
    badLength[0] = 0x41; // claims 4 header bytes
    QTest::newRow("raw: header shorter than its minimum") << true << badLength << Target << -1;
}

void TestReplyMatcher::echoMessages() {
    QFETCH(bool, behindIpHeader);
    QFETCH(QByteArray, message);
    QFETCH(quint32, from);
    QFETCH(int, expected);
    TReplyMatcher matcher;
    matcher.SetEchoSocket(Identifier, behindIpHeader);
    QCOMPARE(matcher.AddEcho(7, Target), quint16(1));
    const auto match = matcher.MatchIcmp(message, from);
    QCOMPARE(match ? int(match->Answered) : -1, expected);
    if (match)
        QCOMPARE(match->Probe, quint64(7));
    QCOMPARE(matcher.Waiting(), match ? 0 : 1);
}

void TestReplyMatcher::aReplyEndsItsProbeOnce() {
    TReplyMatcher matcher;
    matcher.SetEchoSocket(Identifier, false);
    const quint16 first = matcher.AddEcho(1, Target);
    const quint16 second = matcher.AddEcho(2, Target);
    QVERIFY(first != second);
    QCOMPARE(matcher.MatchIcmp(EchoReply(Identifier, second), Target)->Probe, quint64(2));
    // A duplicate of the reply, and a reply after its probe was given up, are strays.
    QVERIFY(!matcher.MatchIcmp(EchoReply(Identifier, second), Target));
    matcher.RemoveEcho(first);
    QVERIFY(!matcher.MatchIcmp(EchoReply(Identifier, first), Target));
    QCOMPARE(matcher.Waiting(), 0);
}

void TestReplyMatcher::tagsInUseAreNeverHandedOutAgain() {
    TReplyMatcher matcher;
    const quint16 kept = matcher.AddEcho(0, Target);
    // Once around the whole range of sequence numbers, the one still waiting is skipped.
    for (quint64 probe = 1; probe < 65536; ++probe)
        matcher.RemoveEcho(matcher.AddEcho(probe, Target));
    QVERIFY(matcher.AddEcho(99999, Target) != kept);
    QCOMPARE(matcher.Waiting(), 2);
}

void TestReplyMatcher::nodeStatusReplies() {
    TReplyMatcher matcher;
    const quint16 transaction = matcher.AddNodeStatus(5, Target);
    QByteArray reply = NodeStatusRequest();
    reply[0] = static_cast<char>(transaction >> 8);
    reply[1] = static_cast<char>(transaction + 1);
    QVERIFY(!matcher.MatchNodeStatus(reply, Target));
    reply[1] = static_cast<char>(transaction);
    QVERIFY(!matcher.MatchNodeStatus(reply, Elsewhere));
    QVERIFY(!matcher.MatchNodeStatus(reply.left(1), Target));
    // ICMP messages never end a node status query.
    QVERIFY(!matcher.MatchIcmp(EchoReply(0, transaction), Target));
    const auto match = matcher.MatchNodeStatus(reply, Target);
    QVERIFY(match && match->Answered);
    QCOMPARE(match->Probe, quint64(5));
    QVERIFY(!matcher.MatchNodeStatus(reply, Target));
}

QTEST_APPLESS_MAIN(TestReplyMatcher)
#include "TestReplyMatcher.moc"
