#include "NetUtil.h"
#include "PlatformSockets.h"
#include "uHardwareAddress.h"
#include "uWakeOnLan.h"

#include <QFile>
#include <QTest>

namespace {

// A node status reply with the given number of 18-byte name entries, followed by the statistics block,
// which opens with the unit ID; cut to size when size is not negative.
QByteArray NodeStatusReply(int names, const QByteArray& unitId, qsizetype size = -1) {
    QByteArray reply(56, '\0');
    reply.append(static_cast<char>(names));
    for (int i = 0; i < names; ++i)
        reply.append(QByteArray("PC1            ", 15)).append('\0').append('\x04').append('\0');
    reply.append(unitId).append(QByteArray(40, '\0'));
    return size < 0 ? reply : reply.left(size);
}

QByteArray RecordedReply(const QString& file) {
    QFile reply(QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/network/") + file);
    return reply.open(QIODevice::ReadOnly) ? reply.readAll() : QByteArray();
}

const QByteArray SomeAdapter = QByteArray::fromHex("001a2b3c4d5e");

Platform::TAdapterInfo Adapter(const QString& name, const QList<std::pair<QString, QString>>& addresses) {
    Platform::TAdapterInfo adapter{name, {}};
    for (const auto& [address, mask] : addresses)
        adapter.Addresses.append({address, mask, 0});
    return adapter;
}

} // namespace

class TestHardwareAddress : public QObject {
    Q_OBJECT
private slots:
    void typedAddresses_data();
    void typedAddresses();
    void magicPacketIsSixFFsAndSixteenCopies();
    void unitIdOfNodeStatusReply_data();
    void unitIdOfNodeStatusReply();
    void broadcastForTheComputersSubnet_data();
    void broadcastForTheComputersSubnet();
};

void TestHardwareAddress::typedAddresses_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("stored");
    const QString form = QStringLiteral("00-1A-2B-3C-4D-5E");
    QTest::newRow("colons, lower case") << "00:1a:2b:3c:4d:5e" << true << form;
    QTest::newRow("hyphens, upper case") << "00-1A-2B-3C-4D-5E" << true << form;
    QTest::newRow("mixed case, blanks around") << "  00:1A:2b:3C:4d:5E\t" << true << form;
    QTest::newRow("empty: none known") << "" << true << "";
    QTest::newRow("blanks only: none known") << "   " << true << "";
    QTest::newRow("separators mixed") << "00:1a-2b:3c:4d:5e" << false << "";
    QTest::newRow("five pairs") << "00:1a:2b:3c:4d" << false << "";
    QTest::newRow("seven pairs") << "00:1a:2b:3c:4d:5e:6f" << false << "";
    QTest::newRow("single digit") << "0:1a:2b:3c:4d:5e" << false << "";
    QTest::newRow("three digits") << "000:1a:2b:3c:4d:5e" << false << "";
    QTest::newRow("not hexadecimal") << "00:1g:2b:3c:4d:5e" << false << "";
    QTest::newRow("sign in a pair") << "00:+f:2b:3c:4d:5e" << false << "";
    QTest::newRow("blank in a pair") << "00: f:2b:3c:4d:5e" << false << "";
    QTest::newRow("no separators") << "001a2b3c4d5e" << false << "";
    QTest::newRow("dots") << "001a.2b3c.4d5e" << false << "";
    QTest::newRow("empty pair") << "00::2b:3c:4d:5e" << false << "";
    QTest::newRow("all zeros") << "00:00:00:00:00:00" << false << "";
    QTest::newRow("broadcast") << "ff:ff:ff:ff:ff:ff" << false << "";
    QTest::newRow("group address") << "01:00:5e:00:00:01" << false << "";
}

void TestHardwareAddress::typedAddresses() {
    QFETCH(QString, typed);
    QFETCH(bool, valid);
    QFETCH(QString, stored);
    const std::optional<QString> normal = NormalizeHardwareAddress(typed);
    QCOMPARE(normal.has_value(), valid);
    if (valid) {
        QCOMPARE(*normal, stored);
        // The stored form reads back as itself.
        QCOMPARE(NormalizeHardwareAddress(*normal), normal);
    }
}

void TestHardwareAddress::magicPacketIsSixFFsAndSixteenCopies() {
    const QByteArray packet = MagicPacket(HardwareAddressBytes(QStringLiteral("00-1a-2b-3c-4d-5e")));
    QCOMPARE(packet.size(), 102);
    QCOMPARE(packet.left(6), QByteArray(6, '\xFF'));
    for (int i = 0; i < 16; ++i)
        QCOMPARE(packet.mid(6 + i * 6, 6), SomeAdapter);
}

void TestHardwareAddress::unitIdOfNodeStatusReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("address");
    const QString form = QStringLiteral("00-1A-2B-3C-4D-5E");
    QTest::newRow("after one name") << NodeStatusReply(1, SomeAdapter) << form;
    QTest::newRow("after five names") << NodeStatusReply(5, SomeAdapter) << form;
    QTest::newRow("no names") << NodeStatusReply(0, SomeAdapter) << form;
    QTest::newRow("ends with the unit id") << NodeStatusReply(2, SomeAdapter, 57 + 2 * 18 + 6) << form;
    QTest::newRow("unit id cut short") << NodeStatusReply(2, SomeAdapter, 57 + 2 * 18 + 5) << QString();
    QTest::newRow("ends inside the names") << NodeStatusReply(2, SomeAdapter, 57 + 18) << QString();
    QTest::newRow("count past the end") << NodeStatusReply(255, SomeAdapter, 400) << QString();
    QTest::newRow("zeros, as Samba sends") << NodeStatusReply(3, QByteArray(6, '\0')) << QString();
    QTest::newRow("broadcast address") << NodeStatusReply(1, QByteArray(6, '\xFF')) << QString();
    QTest::newRow("header only") << QByteArray(56, '\0') << QString();
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("recorded nmbd reply") << RecordedReply(QStringLiteral("nmbd-status.bin")) << QString();
    QTest::newRow("recorded count past end") << RecordedReply(QStringLiteral("count-past-end.bin")) << QString();
}

void TestHardwareAddress::unitIdOfNodeStatusReply() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, address);
    QCOMPARE(ParseNodeStatusUnitId(reply), address);
}

void TestHardwareAddress::broadcastForTheComputersSubnet_data() {
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QList<Platform::TAdapterInfo>>("adapters");
    QTest::addColumn<QString>("broadcast");
    const QList<Platform::TAdapterInfo> two{
        Adapter("eth0", {{"192.168.1.10", "255.255.255.0"}}),
        Adapter("eth1", {{"10.20.0.5", "255.255.0.0"}, {"172.16.4.1", "255.255.252.0"}})};
    QTest::newRow("first adapter") << "192.168.1.77" << two << "192.168.1.255";
    QTest::newRow("second adapter") << "10.20.200.1" << two << "10.20.255.255";
    QTest::newRow("second address of an adapter") << "172.16.7.9" << two << "172.16.7.255";
    QTest::newRow("on no local subnet") << "8.8.8.8" << two << "255.255.255.255";
    QTest::newRow("address unknown") << "" << two << "255.255.255.255";
    QTest::newRow("no adapters") << "192.168.1.77" << QList<Platform::TAdapterInfo>() << "255.255.255.255";
    QTest::newRow("host route has no subnet")
        << "192.168.1.77" << QList{Adapter("tun0", {{"192.168.1.10", "255.255.255.255"}})} << "255.255.255.255";
    QTest::newRow("unset mask") << "192.168.1.77" << QList{Adapter("eth0", {{"192.168.1.10", "0.0.0.0"}})}
                                << "255.255.255.255";
}

void TestHardwareAddress::broadcastForTheComputersSubnet() {
    QFETCH(QString, computer);
    QFETCH(QList<Platform::TAdapterInfo>, adapters);
    QFETCH(QString, broadcast);
    QCOMPARE(Platform::FormatIPv4(WakeUpBroadcastAddress(Platform::ParseIPv4(computer), adapters)), broadcast);
}

QTEST_GUILESS_MAIN(TestHardwareAddress)
#include "TestHardwareAddress.moc"
