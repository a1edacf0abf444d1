#include "NetUtil.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTest>

namespace {

struct TEntry {
    QByteArray Name;
    quint8 Suffix;
    quint8 Flags;
};

// A node status reply: 56 bytes of header, the name count, the entries and a statistics block.
QByteArray NodeStatusReply(const QList<TEntry>& entries) {
    QByteArray reply(56, '\0');
    reply.append(static_cast<char>(entries.size()));
    for (const TEntry& entry : entries) {
        QByteArray name = entry.Name.left(15);
        name.append(QByteArray(15 - name.size(), ' '));
        reply.append(name).append(static_cast<char>(entry.Suffix)).append(static_cast<char>(entry.Flags)).append('\0');
    }
    return reply.append(QByteArray(46, '\0'));
}

QByteArray RecordedReply(const QString& file) {
    QFile reply(QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/network/") + file);
    return reply.open(QIODevice::ReadOnly) ? reply.readAll() : QByteArray();
}

// A loopback port where nothing listens: one that was just given out and closed again.
quint16 ClosedLoopbackPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

} // namespace

class TestNetUtil : public QObject {
    Q_OBJECT
private slots:
    void isIPAddress_data();
    void isIPAddress();
    void ipRangeByMask_data();
    void ipRangeByMask();
    void formatIPRange_data();
    void formatIPRange();
    void nodeStatusRequestIsByteForByte();
    void nodeStatusReply_data();
    void nodeStatusReply();
    void recordedNodeStatusReply_data();
    void recordedNodeStatusReply();
    void tcpProbeOnLoopback();
    void configuredCheck_data();
    void configuredCheck();
};

void TestNetUtil::isIPAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("dotted") << "10.0.0.1" << true;
    QTest::newRow("zero") << "0.0.0.0" << true;
    QTest::newRow("short form") << "127.1" << true;
    QTest::newRow("single number") << "16909060" << true;
    QTest::newRow("hexadecimal") << "0x7f.0.0.1" << true;
    QTest::newRow("broadcast is the failure mark") << "255.255.255.255" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("host name") << "pc-17" << false;
    QTest::newRow("octet too large") << "10.0.0.256" << false;
    QTest::newRow("five parts") << "1.2.3.4.5" << false;
}

void TestNetUtil::isIPAddress() {
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(IsIPAddress(text), expected);
}

void TestNetUtil::ipRangeByMask_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<bool>("expected");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("class C") << "192.168.1.77"
                             << "255.255.255.0" << true << "192.168.1.1"
                             << "192.168.1.254";
    QTest::newRow("class B") << "192.168.1.77"
                             << "255.255.0.0" << true << "192.168.0.1"
                             << "192.168.255.254";
    QTest::newRow("class A") << "10.1.2.3"
                             << "255.0.0.0" << true << "10.0.0.1"
                             << "10.255.255.254";
    QTest::newRow("mask not contiguous") << "10.1.2.3"
                                         << "255.0.255.0" << true << "10.0.2.1"
                                         << "10.255.2.254";
    QTest::newRow("host mask is the failure mark") << "10.1.2.3"
                                                   << "255.255.255.255" << false << ""
                                                   << "";
    QTest::newRow("empty address") << ""
                                   << "255.255.255.0" << false << ""
                                   << "";
    QTest::newRow("address not parsed") << "pc-17"
                                        << "255.255.255.0" << false << ""
                                        << "";
    QTest::newRow("empty mask") << "10.1.2.3"
                                << "" << false << ""
                                << "";
}

void TestNetUtil::ipRangeByMask() {
    QFETCH(QString, address);
    QFETCH(QString, mask);
    QFETCH(bool, expected);
    QString first = QStringLiteral("stale");
    QString last = QStringLiteral("stale");
    QCOMPARE(GetIPRangeByMask(address, mask, first, last), expected);
    QTEST(first, "first");
    QTEST(last, "last");
}

void TestNetUtil::formatIPRange_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("expected");
    QTest::newRow("numeric not textual") << "192.168.0.20"
                                         << "192.168.0.5"
                                         << "192.168.0.5-192.168.0.20";
    QTest::newRow("already ordered") << "10.0.0.1"
                                     << "10.0.0.9"
                                     << "10.0.0.1-10.0.0.9";
    QTest::newRow("high octet decides") << "10.0.0.200"
                                        << "9.255.255.255"
                                        << "9.255.255.255-10.0.0.200";
    QTest::newRow("unparsed counts as highest") << "pc-17"
                                                << "10.0.0.1"
                                                << "10.0.0.1-pc-17";
}

void TestNetUtil::formatIPRange() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QTEST(FormatIPRange(a, b), "expected");
}

void TestNetUtil::nodeStatusRequestIsByteForByte() {
    // Header, the wildcard name "*" in first-level encoding, type NBSTAT, class IN.
    const QByteArray expected = QByteArray::fromHex("80be00000001000000000000"
                                                    "20434b414141414141414141414141414141414141414141414141414141414141"
                                                    "0000210001");
    QCOMPARE(NodeStatusRequest().size(), 50);
    QCOMPARE(NodeStatusRequest().toHex(), expected.toHex());
}

void TestNetUtil::nodeStatusReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unique active b-node") << NodeStatusReply({{"PC17", 0x00, 0x04}}) << "PC17";
    QTest::newRow("unique active p-node") << NodeStatusReply({{"PCP", 0x00, 0x24}}) << "PCP";
    QTest::newRow("unique active m-node") << NodeStatusReply({{"PCM", 0x00, 0x44}}) << "PCM";
    QTest::newRow("h-node with suffix 0x01") << NodeStatusReply({{"PC18", 0x01, 0x64}}) << "PC18";
    QTest::newRow("first chosen wins") << NodeStatusReply({{"WORKGROUP", 0x00, 0x84},
                                                           {"PC19", 0x20, 0x04},
                                                           {"PC20", 0x00, 0x44},
                                                           {"PC21", 0x00, 0x04}})
                                       << "PC20";
    QTest::newRow("deregistering, conflict, permanent are passed over")
        << NodeStatusReply({{"DRG", 0x00, 0x14}, {"CNF", 0x00, 0x0C}, {"PRM", 0x00, 0x06}, {"PC22", 0x00, 0x04}})
        << "PC22";
    QTest::newRow("inactive is passed over") << NodeStatusReply({{"OLD", 0x00, 0x00}}) << "";
    QTest::newRow("name with tilde is passed over")
        << NodeStatusReply({{"PC~1", 0x00, 0x04}, {"PC23", 0x00, 0x04}}) << "PC23";
    QTest::newRow("blanks and control characters trimmed")
        << NodeStatusReply({{"\x01 PC24\x02", 0x00, 0x04}}) << "PC24";
    QTest::newRow("name ends at NUL") << NodeStatusReply({{QByteArray("PC25\0XYZ", 8), 0x00, 0x04}}) << "PC25";
    QTest::newRow("code page 850") << NodeStatusReply({{"M\x9A"
                                                        "LLER",
                                                        0x00, 0x04}})
                                   << QString::fromUtf8("MÜLLER");
    QTest::newRow("no names") << NodeStatusReply({}) << "";
    QTest::newRow("57 bytes: count only") << NodeStatusReply({{"PC26", 0x00, 0x04}}).left(57) << "";
    QTest::newRow("entry one byte short") << NodeStatusReply({{"PC27", 0x00, 0x04}}).left(57 + 16) << "";
    QTest::newRow("entry exactly inside") << NodeStatusReply({{"PC28", 0x00, 0x04}}).left(57 + 18) << "PC28";
    QTest::newRow("empty datagram") << QByteArray() << "";
}

void TestNetUtil::nodeStatusReply() {
    QFETCH(QByteArray, reply);
    QTEST(ParseNodeStatusReply(reply), "expected");
}

void TestNetUtil::recordedNodeStatusReply_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nmbd after the election") << "nmbd-status.bin"
                                             << "DVPEER";
    QTest::newRow("__MSBROWSE__ and groups first") << "msbrowse-first.bin"
                                                   << "DVPEER";
    QTest::newRow("all names with tilde") << "tilde-names.bin"
                                          << "";
    QTest::newRow("groups and suffix 0x20 only") << "group-and-suffix20.bin"
                                                 << "";
    QTest::newRow("56 bytes") << "short-56.bin"
                              << "";
    QTest::newRow("name count past the end") << "count-past-end.bin"
                                             << "";
}

void TestNetUtil::recordedNodeStatusReply() {
    QFETCH(QString, file);
    const QByteArray reply = RecordedReply(file);
    QVERIFY2(!reply.isEmpty(), qPrintable(file));
    QTEST(ParseNodeStatusReply(reply), "expected");
}

void TestNetUtil::tcpProbeOnLoopback() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint32 timeout = 2000;
    const qint32 open = ProbeTCPPort(QStringLiteral("127.0.0.1"), timeout, server.serverPort());
    QVERIFY2(open >= 0 && open <= qint32(timeout), qPrintable(QString::number(open)));
    // A name is resolved first, as the ICMP check does.
    QVERIFY(ProbeTCPPort(QStringLiteral("localhost"), timeout, server.serverPort()) != NoAnswer);
    QCOMPARE(ProbeTCPPort(QStringLiteral("127.0.0.1"), timeout, ClosedLoopbackPort()), NoAnswer);
    QCOMPARE(ProbeTCPPort(QString(), timeout, server.serverPort()), NoAnswer);
}

void TestNetUtil::configuredCheck_data() {
    QTest::addColumn<int>("checkState");
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("answers");
    QTest::newRow("no check: anything is reachable at once") << -1 << "" << false << true << true;
    QTest::newRow("TCP to an address") << 1 << "127.0.0.1" << true << true << true;
    QTest::newRow("TCP to a name") << 1 << "localhost" << true << true << true;
    QTest::newRow("TCP refused") << 1 << "127.0.0.1" << false << false << false;
    QTest::newRow("unknown method: reachable without an answer") << 7 << "" << false << true << false;
}

void TestNetUtil::configuredCheck() {
    QFETCH(int, checkState);
    QFETCH(QString, host);
    QFETCH(bool, listening);
    QTcpServer server;
    if (listening)
        QVERIFY(server.listen(QHostAddress::LocalHost));
    const TCheckSettings check{checkState, 2000, listening ? server.serverPort() : ClosedLoopbackPort()};
    QTEST(IsComputerReachable(host, check), "reachable");
    const qint32 time = GetComputerResponseTime(host, check);
    QTEST(time != NoAnswer, "answers");
    if (checkState == -1)
        QCOMPARE(time, 0);
}

QTEST_GUILESS_MAIN(TestNetUtil)
#include "TestNetUtil.moc"
