#include "uFormat.h"

#include <QTest>

class TestFormat : public QObject {
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void resultLengthIsBounded_data();
    void resultLengthIsBounded();
};

void TestFormat::formats_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("expected");
    QTest::newRow("caption") << "%s (%d/%d/%d)" << QVariantList{"Lab", 1, 2, 3} << "Lab (1/2/3)";
    QTest::newRow("indexed") << "%1:s - %0:s" << QVariantList{"a", "b"} << "b - a";
    QTest::newRow("percent") << "100%% %s" << QVariantList{"done"} << "100% done";
    QTest::newRow("width") << "[%5s][%-3d]" << QVariantList{"ab", 7} << "[   ab][7  ]";
    QTest::newRow("hex") << "%.4x" << QVariantList{255} << "00FF";
    QTest::newRow("missing argument kept") << "%s and %s" << QVariantList{"one"} << "one and %s";
    QTest::newRow("unknown type kept") << "%q %s" << QVariantList{"x"} << "%q x";
    QTest::newRow("trailing percent") << "50%" << QVariantList{} << "50%";
    QTest::newRow("huge width is bounded") << "%999999999999s" << QVariantList{"x"} << QString();
}

void TestFormat::formats() {
    QFETCH(QString, format);
    QFETCH(QVariantList, args);
    QFETCH(QString, expected);
    const QString result = Format(format, args);
    if (QByteArray(QTest::currentDataTag()) == "huge width is bounded")
        QVERIFY(result.size() < 200000);
    else
        QCOMPARE(result, expected);
}

void TestFormat::resultLengthIsBounded_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("start");
    QTest::addColumn<qsizetype>("size");
    // Each width alone is within its bound; together they would ask for gigabytes.
    QTest::newRow("wide indexed placeholder repeated")
        << QStringLiteral("%0:100000s").repeated(50000) << QVariantList{"x"} << QString(1000, u' ')
        << MaxFormattedLength + 1;
    QTest::newRow("long plain text") << QString(200000, u'a') << QVariantList{} << QString(1000, u'a')
                                     << MaxFormattedLength;
    QTest::newRow("argument repeated") << QStringLiteral("%0:s").repeated(50000) << QVariantList{QString(10000, u'b')}
                                       << QString(20000, u'b') << MaxFormattedLength + 10000;
    // A long name is no fault of the text: it is shown whole.
    QTest::newRow("long argument once") << "<%s>" << QVariantList{QString(1000000, u'c')} << "<ccc"
                                        << qsizetype(1000002);
}

void TestFormat::resultLengthIsBounded() {
    QFETCH(QString, format);
    QFETCH(QVariantList, args);
    QFETCH(QString, start);
    QFETCH(qsizetype, size);
    const QString result = Format(format, args);
    QCOMPARE(result.size(), size);
    QVERIFY(result.startsWith(start));
}

QTEST_GUILESS_MAIN(TestFormat)
#include "TestFormat.moc"
