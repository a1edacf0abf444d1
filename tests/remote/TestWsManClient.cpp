#include "ERemoteError.h"
#include "TEnglishTexts.h"
#include "WsManClient.h"
#include "WsManEnvelope.h"
#include "WsManNamespaces.h"
#include "WsManResponse.h"

#include <QTest>

#include <optional>

namespace {

QByteArray Envelope(const QByteArray& body) {
    return "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
           "xmlns:n=\"http://schemas.xmlsoap.org/ws/2004/09/enumeration\" "
           "xmlns:w=\"http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd\">"
           "<s:Header><a:Action>urn:test</a:Action></s:Header><s:Body>" +
           body + "</s:Body></s:Envelope>";
}

QByteArray Item(const QByteArray& selectors) {
    return "<w:Item><p:Win32_OperatingSystem xmlns:p=\"urn:os\"><p:Name>x</p:Name></p:Win32_OperatingSystem>"
           "<a:EndpointReference><a:Address>urn:anonymous</a:Address><a:ReferenceParameters>"
           "<w:ResourceURI>urn:os</w:ResourceURI>" +
           selectors + "</a:ReferenceParameters></a:EndpointReference></w:Item>";
}

const QByteArray NestedFault = Envelope(
    "<s:Fault><s:Code><s:Value>s:Receiver</s:Value></s:Code><s:Reason><s:Text xml:lang=\"en-US\">Outer reason "
    "</s:Text></s:Reason><s:Detail><f:WSManFault xmlns:f=\"http://schemas.microsoft.com/wbem/wsman/1/wsmanfault\" "
    "Code=\"5\"><f:Message><f:ProviderFault><f:WSManFault "
    "xmlns:f=\"http://schemas.microsoft.com/wbem/wsman/1/wsmanfault\" Code=\"2147749891\"><f:Message>Inner "
    "text </f:Message></f:WSManFault></f:ProviderFault></f:Message></f:WSManFault></s:Detail></s:Fault>");

// Answers with canned replies in order and keeps what was sent.
class TFakeTransport : public IWsManTransport {
public:
    explicit TFakeTransport(QList<TWsManHttpReply> replies)
        : m_Connection(QStringLiteral("fake-host"), TRemoteSettings(), QDeadlineTimer(5000)),
          m_Replies(std::move(replies)) {}

    TWsManHttpReply Send(const QByteArray& envelope) override {
        Sent.append(envelope);
        if (m_Replies.isEmpty())
            throw ERemoteError(QStringLiteral("no more replies"));
        return m_Replies.size() == 1 ? m_Replies.first() : m_Replies.takeFirst(); // the last one repeats
    }
    const TWsManHttpConnection& Connection() const override { return m_Connection; }

    QList<QByteArray> Sent;

private:
    TWsManHttpConnection m_Connection;
    QList<TWsManHttpReply> m_Replies;
};

TWsManHttpReply Reply(long status, const QByteArray& body) {
    return {status, {}, body};
}

} // namespace

class TestWsManClient : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_English.IsLoaded()); }
    void readsWindowsAnswers();
    void faultMessage_data();
    void faultMessage();
    void badAnswersNeverCrash_data();
    void badAnswersNeverCrash();
    void clientRaisesClearErrors_data();
    void clientRaisesClearErrors();
    void enumerationFollowsPullsToTheEnd();
    void objectPropertiesAreRead();
    void endlessEnumerationIsReleased();
    void operationTimeoutLeavesTheClientTime_data();
    void operationTimeoutLeavesTheClientTime();
    void sentOperationTimeoutEndsBeforeTheDeadline();

private:
    TEnglishTexts m_English;
};

void TestWsManClient::readsWindowsAnswers() {
    const TWsManResponse response = TWsManResponse::Parse(
        Envelope("<n:EnumerateResponse><n:EnumerationContext> uuid:1 </n:EnumerationContext><w:Items>" +
                 Item("<w:SelectorSet><w:Selector Name=\"Name\">A|B</w:Selector><w:Selector "
                      "Name=\"Other\">C</w:Selector></w:SelectorSet>") +
                 Item(QByteArray()) + "</w:Items><w:EndOfSequence/></n:EnumerateResponse>"));
    QVERIFY(response.ParseError.isEmpty());
    QCOMPARE(response.Action, QStringLiteral("urn:test"));
    QVERIFY(response.IsBody(WsManNs::Enumeration, QStringLiteral("EnumerateResponse")));
    QCOMPARE(response.EnumerationContext, QStringLiteral("uuid:1"));
    QVERIFY(response.EndOfSequence);
    QCOMPARE(response.Items.size(), 2);
    const QList<QPair<QString, QString>> selectors{{QStringLiteral("Name"), QStringLiteral("A|B")},
                                                   {QStringLiteral("Other"), QStringLiteral("C")}};
    QCOMPARE(response.Items[0], (TWsManEndpointReference{QStringLiteral("urn:os"), selectors}));
    QCOMPARE(response.Items[1], (TWsManEndpointReference{QStringLiteral("urn:os"), {}}));

    const TWsManResponse output =
        TWsManResponse::Parse(Envelope("<p:Win32Shutdown_OUTPUT xmlns:p=\"urn:os\"><p:ReturnValue>1191</p:ReturnValue>"
                                       "</p:Win32Shutdown_OUTPUT>"));
    QVERIFY(output.IsBody(QStringLiteral("urn:os"), QStringLiteral("Win32Shutdown_OUTPUT")));
    QCOMPARE(output.OutputValues.value(QStringLiteral("ReturnValue")), QStringLiteral("1191"));
}

void TestWsManClient::faultMessage_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<qint64>("code");
    QTest::newRow("innermost f:Message wins") << NestedFault << "Inner text" << qint64(2147749891);
    QTest::newRow("reason when no message")
        << Envelope("<s:Fault><s:Reason><s:Text>Only a reason</s:Text></s:Reason></s:Fault>") << "Only a reason"
        << qint64(0);
    QTest::newRow("nothing to say") << Envelope("<s:Fault/>") << QString() << qint64(0);
}

void TestWsManClient::faultMessage() {
    QFETCH(QByteArray, answer);
    QFETCH(QString, message);
    QFETCH(qint64, code);
    const TWsManResponse response = TWsManResponse::Parse(answer);
    QVERIFY(response.ParseError.isEmpty());
    QVERIFY(response.IsFault);
    QCOMPARE(response.FaultMessage, message);
    QCOMPARE(response.FaultCode, code);
}

void TestWsManClient::badAnswersNeverCrash_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("error"); // part of the parse error; empty: the answer is well-formed
    const QByteArray good = Envelope("<n:PullResponse><n:Items>" + Item(QByteArray()) + "</n:Items></n:PullResponse>");
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("only a comment") << QByteArray("<!-- nothing -->") << "";
    QTest::newRow("not XML") << QByteArray("HTTP/1.1 is not what we asked for") << "";
    QTest::newRow("truncated") << good.left(good.size() / 2) << "";
    QTest::newRow("SOAP 1.1 namespace") << QByteArray(good).replace("http://www.w3.org/2003/05/soap-envelope",
                                                                    "http://schemas.xmlsoap.org/soap/envelope/")
                                        << "not a SOAP 1.2 envelope";
    QTest::newRow("no body") << QByteArray("<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"/>")
                             << "no body";
    QTest::newRow("entity expansion")
        << QByteArray("<!DOCTYPE s [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>") + good
        << "document type declaration";
    QTest::newRow("nested 100000 deep") << Envelope(QByteArray("<x>").repeated(100000) +
                                                    QByteArray("</x>").repeated(100000))
                                        << "nested too deeply";
    QTest::newRow("unknown namespaces only")
        << Envelope("<q:Whatever xmlns:q=\"urn:other\"><q:Items><w:Item/></q:Items></q:Whatever>") << "-";
    QTest::newRow("50 MB of text") << Envelope("<n:PullResponse><n:EnumerationContext>" +
                                               QByteArray(50 * 1024 * 1024, 'c') +
                                               "</n:EnumerationContext></n:PullResponse>")
                                   << "-";
    QTest::newRow("50 MB of garbage") << QByteArray(50 * 1024 * 1024, '<') << "";
    QByteArray attributes = "<x";
    for (int i = 0; i < 100000; ++i)
        attributes += " a" + QByteArray::number(i) + "=''";
    QTest::newRow("100000 attributes") << Envelope(attributes + "/>") << "more than 256 attributes";
}

void TestWsManClient::badAnswersNeverCrash() {
    QFETCH(QByteArray, answer);
    QFETCH(QString, error);
    const TWsManResponse response = TWsManResponse::Parse(answer);
    if (error == QLatin1String("-")) {
        QVERIFY(response.ParseError.isEmpty());
        QVERIFY(response.Items.isEmpty());
    } else {
        QVERIFY(!response.ParseError.isEmpty());
        QVERIFY2(response.ParseError.contains(error), qPrintable(response.ParseError));
    }
}

void TestWsManClient::clientRaisesClearErrors_data() {
    QTest::addColumn<long>("status");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("text");
    const QString unreadable = QStringLiteral("The answer of fake-host cannot be read: ");
    QTest::newRow("not XML") << 200L << QByteArray("{\"json\": true}") << unreadable;
    QTest::newRow("truncated") << 200L << Envelope("<n:EnumerateResponse>").chopped(20) << unreadable;
    QTest::newRow("other answer") << 200L << Envelope("<n:PullResponse/>")
                                  << unreadable + QStringLiteral("the element EnumerateResponse is missing");
    QTest::newRow("item without reference")
        << 200L
        << Envelope("<n:EnumerateResponse><w:Items><w:Item><p:X xmlns:p=\"urn:x\"/></w:Item></w:Items>"
                    "<w:EndOfSequence/></n:EnumerateResponse>")
        << unreadable + QStringLiteral("the element EndpointReference is missing");
    QTest::newRow("no context, no end") << 200L << Envelope("<n:EnumerateResponse/>")
                                        << unreadable + QStringLiteral("the element EnumerationContext is missing");
    QTest::newRow("first batch over the bound")
        << 200L
        << Envelope("<n:EnumerateResponse><w:Items>" + Item(QByteArray()).repeated(TWsManClient::MaxObjects + 1) +
                    "</w:Items><w:EndOfSequence/></n:EnumerateResponse>")
        << unreadable + QStringLiteral("it offers more than 10000 objects");
    QTest::newRow("fault") << 500L << NestedFault << "Inner text";
    QTest::newRow("fault without text") << 500L << Envelope("<s:Fault/>")
                                        << "fake-host reported a fault without a message.";
    QTest::newRow("server error page") << 500L << QByteArray("<html>oops</html>")
                                       << "fake-host answered with HTTP status 500.";
    QTest::newRow("denied") << 401L << QByteArray() << "Access is denied.";
}

void TestWsManClient::clientRaisesClearErrors() {
    QFETCH(long, status);
    QFETCH(QByteArray, answer);
    QFETCH(QString, text);
    TWsManClient client(std::make_unique<TFakeTransport>(QList<TWsManHttpReply>{Reply(status, answer)}));
    std::optional<ERemoteError> raised;
    try {
        client.Enumerate(QStringLiteral("urn:all"), QStringLiteral("SELECT * FROM X"));
    } catch (const ERemoteError& error) {
        raised = error;
    }
    QVERIFY(raised.has_value());
    QVERIFY2(raised->Text().startsWith(text), qPrintable(raised->Text()));
}

// Simple values, and a timestamp that WinRM wraps in a cim:Datetime element; the endpoint reference is no
// property.
void TestWsManClient::objectPropertiesAreRead() {
    const QByteArray item =
        "<w:Item><p:Win32_OperatingSystem xmlns:p=\"urn:os\" xmlns:cim=\"urn:cim\"><p:Name>x</p:Name>"
        "<p:LastBootUpTime><cim:Datetime>2026-12-09T08:15:02.500Z</cim:Datetime></p:LastBootUpTime>"
        "<p:Primary>true</p:Primary></p:Win32_OperatingSystem><a:EndpointReference><a:Address>urn:anonymous"
        "</a:Address><a:ReferenceParameters><w:ResourceURI>urn:os</w:ResourceURI></a:ReferenceParameters>"
        "</a:EndpointReference></w:Item>";
    const QByteArray answer = Envelope("<n:EnumerateResponse><w:Items>" + item + Item(QByteArray()) +
                                       "</w:Items><w:EndOfSequence/></n:EnumerateResponse>");
    const TWsManResponse response = TWsManResponse::Parse(answer);
    QVERIFY(response.ParseError.isEmpty());
    QCOMPARE(response.ItemProperties.size(), response.Items.size());
    const QHash<QString, QString> first = response.ItemProperties.first();
    QCOMPARE(first.value(QStringLiteral("LastBootUpTime")), QStringLiteral("2026-12-09T08:15:02.500Z"));
    QCOMPARE(first.value(QStringLiteral("Name")), QStringLiteral("x"));
    QCOMPARE(first.value(QStringLiteral("Primary")), QStringLiteral("true"));
    QVERIFY(!first.contains(QStringLiteral("ResourceURI")));
    QVERIFY(!response.ItemProperties.last().contains(QStringLiteral("LastBootUpTime")));

    TWsManClient client(std::make_unique<TFakeTransport>(QList<TWsManHttpReply>{Reply(200, answer)}));
    const QList<QHash<QString, QString>> objects =
        client.EnumerateProperties(QStringLiteral("urn:all"), QStringLiteral("SELECT * FROM Win32_OperatingSystem"));
    QCOMPARE(objects.size(), 2);
    QCOMPARE(objects.first().value(QStringLiteral("LastBootUpTime")), QStringLiteral("2026-12-09T08:15:02.500Z"));
}

void TestWsManClient::enumerationFollowsPullsToTheEnd() {
    const QByteArray first = Envelope("<n:EnumerateResponse><n:EnumerationContext>ctx-1</n:EnumerationContext>"
                                      "</n:EnumerateResponse>");
    const QByteArray second = Envelope("<n:PullResponse><n:EnumerationContext>ctx-2</n:EnumerationContext><n:Items>" +
                                       Item(QByteArray()) + "</n:Items></n:PullResponse>");
    const QByteArray last =
        Envelope("<n:PullResponse><n:Items>" + Item(QByteArray()) + "</n:Items><n:EndOfSequence/></n:PullResponse>");
    auto transport = std::make_unique<TFakeTransport>(
        QList<TWsManHttpReply>{Reply(200, first), Reply(200, second), Reply(200, last)});
    TFakeTransport* sent = transport.get();
    TWsManClient client(std::move(transport));
    QCOMPARE(client.Enumerate(QStringLiteral("urn:all"), QStringLiteral("SELECT * FROM X")).size(), 2);
    QCOMPARE(sent->Sent.size(), 3);
    QVERIFY(sent->Sent[1].contains("<n:EnumerationContext>ctx-1</n:EnumerationContext>"));
    QVERIFY(sent->Sent[2].contains("<n:EnumerationContext>ctx-2</n:EnumerationContext>"));
}

void TestWsManClient::endlessEnumerationIsReleased() {
    // A host that never ends the sequence must not make the client collect objects until memory runs out.
    const QByteArray endless = Envelope("<n:PullResponse><n:EnumerationContext>ctx</n:EnumerationContext><n:Items>" +
                                        Item(QByteArray()).repeated(1000) + "</n:Items></n:PullResponse>");
    auto transport = std::make_unique<TFakeTransport>(QList<TWsManHttpReply>{
        Reply(200, Envelope("<n:EnumerateResponse><n:EnumerationContext>ctx</n:EnumerationContext>"
                            "</n:EnumerateResponse>")),
        Reply(200, endless)});
    TFakeTransport* sent = transport.get();
    TWsManClient client(std::move(transport));
    QVERIFY_THROWS_EXCEPTION(ERemoteError,
                             client.Enumerate(QStringLiteral("urn:all"), QStringLiteral("SELECT * FROM X")));
    QVERIFY(sent->Sent.last().contains(WsManNs::ReleaseAction.data()));
}

void TestWsManClient::operationTimeoutLeavesTheClientTime_data() {
    QTest::addColumn<qint64>("remainingMs");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("a minute left") << qint64(60000) << QByteArray("PT55.000S");
    QTest::newRow("ten seconds left") << qint64(10000) << QByteArray("PT7.500S");
    QTest::newRow("two seconds left") << qint64(2000) << QByteArray("PT1.500S");
    QTest::newRow("no deadline") << qint64(-1) << QByteArray("PT60.000S");
}

void TestWsManClient::operationTimeoutLeavesTheClientTime() {
    QFETCH(qint64, remainingMs);
    QFETCH(QByteArray, sent);
    const TWsManEnvelope envelope(QStringLiteral("http://host:5985/wsman"),
                                  TWsManClient::OperationTimeoutMs(remainingMs));
    const QByteArray request = envelope.Enumerate(QStringLiteral("urn:all"), QStringLiteral("SELECT * FROM X"));
    QVERIFY2(request.contains("<w:OperationTimeout>" + sent + "</w:OperationTimeout>"), request.constData());
}

void TestWsManClient::sentOperationTimeoutEndsBeforeTheDeadline() {
    auto transport = std::make_unique<TFakeTransport>(QList<TWsManHttpReply>{Reply(500, NestedFault)});
    TFakeTransport* sent = transport.get();
    TWsManClient client(std::move(transport));
    QVERIFY_THROWS_EXCEPTION(ERemoteError, client.Invoke({QStringLiteral("urn:os"), {}}, QStringLiteral("Run"), {}));
    const QByteArray request = sent->Sent.value(0);
    const qsizetype start = request.indexOf("<w:OperationTimeout>PT") + int(sizeof("<w:OperationTimeout>PT")) - 1;
    const double seconds = request.mid(start, request.indexOf("S</w:OperationTimeout>") - start).toDouble();
    // The fake connection's deadline is five seconds.
    QVERIFY2(seconds > 2.0 && seconds <= 3.75, qPrintable(QString::number(seconds)));
}

QTEST_GUILESS_MAIN(TestWsManClient)
#include "TestWsManClient.moc"
