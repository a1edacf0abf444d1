#include "HTMLUtil.h"
#include "LangChanger.h"
#include "uFormat.h"

#include <QTest>

class TestHTMLUtil : public QObject {
    Q_OBJECT
private slots:
    void encodeRoundTrip_data();
    void encodeRoundTrip();
    void decode_data();
    void decode();
    void rejects_data();
    void rejects();
};

void TestHTMLUtil::encodeRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("all four") << "<a>&\""
                              << "&lt;a&gt;&amp;&quot;";
    QTest::newRow("entity text is encoded again") << "&amp;"
                                                  << "&amp;amp;";
    QTest::newRow("plain") << "C:\\Tools\\x.exe 'q'"
                           << "C:\\Tools\\x.exe 'q'";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("non-latin") << QString::fromUtf8("Grüße 😀") << QString::fromUtf8("Grüße 😀");
}

void TestHTMLUtil::encodeRoundTrip() {
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    QCOMPARE(HTMLEncode(text), encoded);
    QCOMPARE(HTMLDecode(encoded), text);
}

void TestHTMLUtil::decode_data() {
    QTest::addColumn<QString>("encoded");
    QTest::addColumn<QString>("text");
    QTest::newRow("decimal reference") << "&#65;"
                                       << "A";
    QTest::newRow("hex reference") << "x&#x41;&#X42;y"
                                   << "xABy";
    QTest::newRow("reference at the end without semicolon") << "ab&#65"
                                                            << "abA";
    QTest::newRow("beyond the basic plane") << "&#128512;" << QString::fromUtf8("😀");
    QTest::newRow("decoded once only") << "&amp;lt;"
                                       << "&lt;";
    QTest::newRow("all named") << "&lt;&gt;&quot;&amp;"
                               << "<>\"&";
}

void TestHTMLUtil::decode() {
    QFETCH(QString, encoded);
    QFETCH(QString, text);
    QCOMPARE(HTMLDecode(encoded), text);
}

void TestHTMLUtil::rejects_data() {
    QTest::addColumn<QString>("encoded");
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<int>("position");
    QTest::newRow("unknown letter at the start") << "&n"
                                                 << "&n" << 0;
    QTest::newRow("ampersand at the end") << "ab&"
                                          << "&" << 2;
    QTest::newRow("a without amp;") << "x&ampy"
                                    << "&a" << 1;
    QTest::newRow("l cut off at the end") << "&l"
                                          << "&l" << 0;
    QTest::newRow("g not gt;") << "&gx;"
                               << "&g" << 0;
    QTest::newRow("q cut off") << "&quo"
                               << "&q" << 0;
    QTest::newRow("second entity bad") << "&amp;&zz;"
                                       << "&z" << 5;
    QTest::newRow("empty reference") << "&#;"
                                     << "&#" << 0;
    QTest::newRow("hash at the end") << "a&#"
                                     << "&#" << 1;
    QTest::newRow("letters in reference") << "&#6a;"
                                          << "&#" << 0;
    QTest::newRow("negative reference") << "&#-5;"
                                        << "&#" << 0;
    QTest::newRow("code zero") << "&#0;"
                               << "&#" << 0;
    QTest::newRow("surrogate half") << "&#55296;"
                                    << "&#" << 0;
    QTest::newRow("beyond unicode") << "&#1114112;"
                                    << "&#" << 0;
    QTest::newRow("overflowing digits") << "&#99999999999999999999999;"
                                        << "&#" << 0;
}

void TestHTMLUtil::rejects() {
    QFETCH(QString, encoded);
    QFETCH(QString, sequence);
    QFETCH(int, position);
    try {
        HTMLDecode(encoded);
        QFAIL("no conversion error");
    } catch (const EHTMLDecodeError& error) {
        QCOMPARE(error.Sequence(), sequence);
        QCOMPARE(error.Position(), position);
        QCOMPARE(error.Message(), Format(LangStr(QStringLiteral("sInvalidHTMLEncodedChar")), {sequence, position}));
    }
}

QTEST_GUILESS_MAIN(TestHTMLUtil)
#include "TestHTMLUtil.moc"
