#include "TEnglishTexts.h"
#include "uXmlShapeCheck.h"

#include <QStringEncoder>
#include <QTest>

// Nesting and attribute bounds of 3 levels and 2 attributes; faults name the offending start tag.
class TestXmlShapeCheck : public QObject {
    Q_OBJECT
private slots:
    void shapes_data();
    void shapes();
    void wideTextsAreDecoded_data();
    void wideTextsAreDecoded();
    void faultText();
};

using TFault = TXmlShapeCheck::TFault;
Q_DECLARE_METATYPE(TFault::TKind)

void TestXmlShapeCheck::shapes_data() {
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<TFault::TKind>("kind");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<qint64>("column");
    const auto fine = [](const char* tag, const QByteArray& xml) {
        QTest::newRow(tag) << xml << false << TFault::TooDeep << qint64(0) << qint64(0);
    };
    const auto refused = [](const char* tag, const QByteArray& xml, TFault::TKind kind, qint64 line, qint64 column) {
        QTest::newRow(tag) << xml << true << kind << line << column;
    };
    fine("empty", "");
    fine("three levels", "<?xml version=\"1.0\"?>\n<a><b><c>text</c></b></a>");
    fine("siblings do not add up", "<a><b><c/><c/></b><b><c></c></b></a>");
    fine("self-closing tags at the bound", "<a><b><c><d/><d /></c></b></a>");
    fine("two attributes", "<a x=\"1\" y='2'/>");
    fine("markup inside comment, CDATA, instruction and values",
         "<a><!-- <b><c><d> = = = --><![CDATA[<b><c><d x=1 y=2 z=3>]]><?pi <b><c><d =?>"
         "<b v=\"&gt;<c><d>\" w='/>='/></a>");
    fine("declaration with internal subset", "<!DOCTYPE a [<!ENTITY e \"<b><c><d>\">]><a><b><c/></b></a>");
    fine("end tags before the start do not deepen", "</x></x></x><a><b><c/></b></a>");
    refused("four levels", "<a>\n <b>\n  <c>\n   <d>", TFault::TooDeep, 4, 4);
    refused("deep after a closed branch", "<a><b><c/></b><b><c><d/></c><c><e>", TFault::TooDeep, 1, 32);
    refused("three attributes", "<a>\n<b x='1' y=\"2\" z='3'/></a>", TFault::TooManyAttributes, 2, 1);
    refused("unclosed tag with many attributes", "<a x=1 y=2 z=3", TFault::TooManyAttributes, 1, 1);
    refused("100000 levels", QByteArray("<a>").repeated(100000), TFault::TooDeep, 1, 10);
}

void TestXmlShapeCheck::shapes() {
    QFETCH(QByteArray, xml);
    QFETCH(bool, refused);
    const std::optional<TFault> fault = TXmlShapeCheck(3, 2).Check(xml);
    QCOMPARE(fault.has_value(), refused);
    if (!fault)
        return;
    QFETCH(TFault::TKind, kind);
    QFETCH(qint64, line);
    QFETCH(qint64, column);
    QCOMPARE(fault->Kind, kind);
    QCOMPARE(fault->Limit, kind == TFault::TooDeep ? 3 : 2);
    QCOMPARE(fault->Line, line);
    QCOMPARE(fault->Column, column);
}

void TestXmlShapeCheck::wideTextsAreDecoded_data() {
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("bom");
    QTest::newRow("UTF-16LE with BOM") << int(QStringConverter::Utf16LE) << true;
    QTest::newRow("UTF-16BE without BOM") << int(QStringConverter::Utf16BE) << false;
    QTest::newRow("UTF-32LE with BOM") << int(QStringConverter::Utf32LE) << true;
}

// Wide texts put zero bytes between the markup characters; read as bytes, "<", "/" never meet.
void TestXmlShapeCheck::wideTextsAreDecoded() {
    QFETCH(int, encoding);
    QFETCH(bool, bom);
    QStringEncoder encoder(QStringConverter::Encoding(encoding),
                           bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    const QByteArray balanced = encoder.encode(QStringLiteral("<a><b/></a><a><b></b></a>").repeated(10));
    QVERIFY(!TXmlShapeCheck(3, 2).Check(balanced));
    QStringEncoder deepEncoder(QStringConverter::Encoding(encoding),
                               bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    const QByteArray deep = deepEncoder.encode(QStringLiteral("<a>\n<b><c><d>"));
    const std::optional<TFault> fault = TXmlShapeCheck(3, 2).Check(deep);
    QVERIFY(fault);
    QCOMPARE(fault->Line, 2);
    QCOMPARE(fault->Column, 7);
}

void TestXmlShapeCheck::faultText() {
    TEnglishTexts english;
    QVERIFY(english.IsLoaded());
    QCOMPARE((TFault{TFault::TooDeep, 64, 3, 9}.Text()), "Elements are nested more than 64 levels deep (3:9).");
    QCOMPARE((TFault{TFault::TooManyAttributes, 256, 1, 2}.Text()), "An element has more than 256 attributes (1:2).");
}

QTEST_GUILESS_MAIN(TestXmlShapeCheck)
#include "TestXmlShapeCheck.moc"
