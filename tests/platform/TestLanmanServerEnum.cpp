#include "LanmanServerEnum.h"

#include <QTest>

#include <optional>

namespace {

// Status, converter, entries returned, entries available.
QByteArray Parameters(quint16 status, quint16 entries) {
    QByteArray bytes;
    for (const quint16 value : {status, quint16(0), entries, entries}) {
        bytes.append(char(value & 0xFF));
        bytes.append(char(value >> 8));
    }
    return bytes;
}

// One SERVER_INFO_1 entry: the name in 16 bytes, version, type bits, comment pointer.
QByteArray Entry(const QByteArray& name) {
    QByteArray entry = name.left(16).leftJustified(16, '\0');
    entry.append("\x04\x09", 2);
    entry.append("\x03\x9a\x81\x40", 4);
    entry.append(QByteArray(4, '\0'));
    return entry;
}

} // namespace

class TestLanmanServerEnum : public QObject {
    Q_OBJECT
private slots:
    void nameQueryAsksForTheMasterBrowser();
    void parseAnswer_data();
    void parseAnswer();
};

void TestLanmanServerEnum::nameQueryAsksForTheMasterBrowser() {
    const QByteArray request = Lanman::NameQueryRequest(QStringLiteral("wga"), 0x1D, 0x1234);
    QCOMPARE(request.size(), 50);
    QCOMPARE(request.left(4), QByteArray("\x12\x34\x01\x10", 4)); // broadcast query
    // "WGA" padded with spaces, suffix 0x1D, each half-byte as a letter from 'A'.
    QCOMPARE(request.mid(12, 34), QByteArray(" FHEHEBCACACACACACACACACACACACABN") + '\0');
    QCOMPARE(request.right(4), QByteArray("\x00\x20\x00\x01", 4));
}

void TestLanmanServerEnum::parseAnswer_data() {
    QTest::addColumn<QByteArray>("parameters");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<std::optional<QStringList>>("expected");
    QTest::newRow("two servers") << Parameters(0, 2) << Entry("PEERA") + Entry("PEERC")
                                 << std::optional<QStringList>(QStringList{"PEERA", "PEERC"});
    QTest::newRow("more data: what came is a list")
        << Parameters(234, 1) << Entry("PEERA") << std::optional<QStringList>(QStringList{"PEERA"});
    QTest::newRow("name filling all 16 bytes")
        << Parameters(0, 1) << Entry("ABCDEFGHIJKLMNOP") << std::optional<QStringList>(QStringList{"ABCDEFGHIJKLMNOP"});
    QTest::newRow("more entries claimed than sent") << Parameters(0, 500) << Entry("PEERA") + QByteArray(10, 'x')
                                                    << std::optional<QStringList>(QStringList{"PEERA"});
    QTest::newRow("access denied") << Parameters(5, 0) << QByteArray() << std::optional<QStringList>();
    QTest::newRow("parameters cut short") << Parameters(0, 1).left(6) << Entry("PEERA") << std::optional<QStringList>();
    QTest::newRow("no servers") << Parameters(0, 0) << QByteArray() << std::optional<QStringList>(QStringList());
}

void TestLanmanServerEnum::parseAnswer() {
    QFETCH(QByteArray, parameters);
    QFETCH(QByteArray, data);
    QFETCH(std::optional<QStringList>, expected);
    QCOMPARE(Lanman::ParseServerEnumAnswer(parameters, data), expected);
}

QTEST_GUILESS_MAIN(TestLanmanServerEnum)
#include "TestLanmanServerEnum.moc"
