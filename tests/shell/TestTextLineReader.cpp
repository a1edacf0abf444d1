#include "uTextLineReader.h"

#include <QBuffer>
#include <QTest>

namespace {

QStringList ReadAll(QIODevice& device, bool* error = nullptr) {
    TTextLineReader reader(device);
    QStringList lines;
    QString line;
    while (reader.ReadLine(line))
        lines.append(line);
    if (error)
        *error = reader.HasError();
    return lines;
}

// Lines "pc0000000" to "pcNNNNNNN", made as they are read, never held whole. Records the largest read it
// was asked for.
class TGeneratedLines : public QIODevice {
public:
    explicit TGeneratedLines(qint64 lines) : m_lines(lines) {}
    qint64 LargestRequest = 0;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        LargestRequest = std::max(LargestRequest, maxSize);
        qint64 written = 0;
        while (written < maxSize) {
            if (m_offset == m_current.size()) {
                if (m_next == m_lines)
                    break;
                m_current = QByteArray("pc") + QByteArray::number(m_next++).rightJustified(7, '0') + "\r\n";
                m_offset = 0;
            }
            const qint64 part = std::min(maxSize - written, qint64(m_current.size() - m_offset));
            memcpy(data + written, m_current.constData() + m_offset, size_t(part));
            m_offset += part;
            written += part;
        }
        return written == 0 && m_next == m_lines ? -1 : written;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 m_lines;
    qint64 m_next = 0;
    QByteArray m_current;
    qsizetype m_offset = 0;
};

} // namespace

class TestTextLineReader : public QObject {
    Q_OBJECT
private slots:
    void readsLinesAndEncodings_data();
    void readsLinesAndEncodings();
    void lineEndsAcrossChunks();
    void largeTextIsReadAChunkAtATime();
};

void TestTextLineReader::readsLinesAndEncodings_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("CR LF, LF and CR") << QByteArray("a\r\nb\nc\rd") << QStringList{"a", "b", "c", "d"};
    QTest::newRow("end at the end adds no line") << QByteArray("a\r\n") << QStringList{"a"};
    QTest::newRow("blank lines stay") << QByteArray("\r\n\n\r") << QStringList{"", "", ""};
    QTest::newRow("CR CR LF: one empty line between") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("UTF-8 with byte order mark") << QByteArray("\xEF\xBB\xBF\xC3\xA4\r\n") << QStringList{u"ä"_qs};
    QTest::newRow("invalid UTF-8 line is Latin-1")
        << QByteArray("B\xFCro\r\n\xC3\xA4") << QStringList{u"Büro"_qs, u"ä"_qs};
    QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFEp\0c\0\r\0\n\0\xE4\0", 12) << QStringList{"pc", u"ä"_qs};
    QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF\0p\0c\0\r\0x", 10) << QStringList{"pc", "x"};
}

void TestTextLineReader::readsLinesAndEncodings() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    bool error = true;
    QCOMPARE(ReadAll(buffer, &error), expected);
    QVERIFY(!error);
}

// Each chunk boundary falls on a different place of a line and of its CR LF.
void TestTextLineReader::lineEndsAcrossChunks() {
    for (const QByteArray& end : {QByteArray("\r\n"), QByteArray("\r"), QByteArray("\n")}) {
        QByteArray content;
        QStringList expected;
        for (int i = 0; content.size() < 3 * TTextLineReader::ChunkSize; ++i) {
            expected.append(QStringLiteral("host-%1").arg(QString(i % 17, u'x')));
            content += expected.last().toLatin1() + end;
        }
        QBuffer buffer(&content);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(ReadAll(buffer), expected);
    }
}

// About 4 MB of names pass through chunks of bounded size: the text is never read whole.
void TestTextLineReader::largeTextIsReadAChunkAtATime() {
    constexpr qint64 lines = 400000;
    TGeneratedLines device(lines);
    QVERIFY(device.open(QIODevice::ReadOnly));
    TTextLineReader reader(device);
    QString line;
    qint64 count = 0;
    QString last;
    while (reader.ReadLine(line)) {
        ++count;
        last = line;
    }
    QVERIFY(!reader.HasError());
    QCOMPARE(count, lines);
    QCOMPARE(last, QStringLiteral("pc0399999"));
    QVERIFY(device.LargestRequest > 0);
    QVERIFY2(device.LargestRequest <= TTextLineReader::ChunkSize, qPrintable(QString::number(device.LargestRequest)));
}

QTEST_GUILESS_MAIN(TestTextLineReader)
#include "TestTextLineReader.moc"
