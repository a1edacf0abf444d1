#include "LangChanger.h"
#include "NtlmEncryptedBody.h"
#include "NtlmError.h"
#include "NtlmMessages.h"
#include "NtlmSession.h"

#include <QTest>

#include <functional>

namespace {

const QByteArray SessionKey = QByteArray::fromHex("0f1e2d3c4b5a69788796a5b4c3d2e1f0");
constexpr quint32 Flags = Ntlm::NegotiateFlag::Key128 | Ntlm::NegotiateFlag::Sign | Ntlm::NegotiateFlag::Seal |
                          Ntlm::NegotiateFlag::KeyExchange | Ntlm::NegotiateFlag::ExtendedSessionSecurity;
const QByteArray Envelope = "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body/></s:Envelope>";

struct TPair {
    TNtlmSession Client{SessionKey, Flags, TNtlmSession::TRole::Client};
    TNtlmSession Server{SessionKey, Flags, TNtlmSession::TRole::Server};
};

using TTamper = std::function<QByteArray(QByteArray)>;

// Where the sealed bytes begin: behind the part header, the signature length and the signature.
qsizetype SealedStart(const QByteArray& body) {
    return body.indexOf("application/octet-stream\r\n") + qsizetype(sizeof("application/octet-stream\r\n") - 1) + 4 +
           16;
}

} // namespace

Q_DECLARE_METATYPE(TTamper)

class TestNtlmEncryptedBody : public QObject {
    Q_OBJECT
private slots:
    void layoutIsTheOneWindowsSends();
    void roundTripsInBothDirections();
    void contentTypeIsRecognised_data();
    void contentTypeIsRecognised();
    void refusesDamagedBodies_data();
    void refusesDamagedBodies();
};

void TestNtlmEncryptedBody::layoutIsTheOneWindowsSends() {
    TPair pair;
    const QByteArray body = NtlmEncryptedBody::Encode(pair.Client, Envelope);
    const QByteArray head = "--Encrypted Boundary\r\n"
                            "\tContent-Type: application/HTTP-SPNEGO-session-encrypted\r\n"
                            "\tOriginalContent: type=application/soap+xml;charset=UTF-8;Length=" +
                            QByteArray::number(Envelope.size()) +
                            "\r\n"
                            "--Encrypted Boundary\r\n"
                            "\tContent-Type: application/octet-stream\r\n" +
                            QByteArray::fromHex("10000000");
    QVERIFY(body.startsWith(head));
    QVERIFY(body.endsWith("--Encrypted Boundary--\r\n"));
    QCOMPARE(body.size(), head.size() + 16 + Envelope.size() + 24);
    QVERIFY(!body.contains("Envelope"));
    QCOMPARE(NtlmEncryptedBody::ContentType(),
             "multipart/encrypted;protocol=\"application/HTTP-SPNEGO-session-encrypted\";"
             "boundary=\"Encrypted Boundary\"");
}

void TestNtlmEncryptedBody::roundTripsInBothDirections() {
    TPair pair;
    for (const QByteArray& message :
         {Envelope, QByteArray(), QByteArray(70000, 'x'), QByteArray("--Encrypted Boundary\r\n")}) {
        QCOMPARE(NtlmEncryptedBody::Decode(pair.Server, NtlmEncryptedBody::Encode(pair.Client, message)), message);
        QCOMPARE(NtlmEncryptedBody::Decode(pair.Client, NtlmEncryptedBody::Encode(pair.Server, message)), message);
    }
    // Two parts in one body, as a peer may send a long message; the closing line break may be missing.
    QByteArray first = NtlmEncryptedBody::Encode(pair.Server, "first half, ");
    QByteArray second = NtlmEncryptedBody::Encode(pair.Server, "second half");
    first.chop(qsizetype(sizeof("--Encrypted Boundary--\r\n") - 1));
    second.chop(2);
    QCOMPARE(NtlmEncryptedBody::Decode(pair.Client, first + second), QByteArray("first half, second half"));
}

void TestNtlmEncryptedBody::contentTypeIsRecognised_data() {
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<bool>("encrypted");
    QTest::newRow("ours") << NtlmEncryptedBody::ContentType() << true;
    QTest::newRow("Windows") << QByteArray("multipart/encrypted;protocol=\"application/HTTP-SPNEGO-session-encrypted\";"
                                           "boundary=\"Encrypted Boundary\"")
                             << true;
    QTest::newRow("plain SOAP") << QByteArray("application/soap+xml;charset=UTF-8") << false;
    QTest::newRow("CredSSP") << QByteArray(
                                    "multipart/encrypted;protocol=\"application/HTTP-CredSSP-session-encrypted\"")
                             << false;
}

void TestNtlmEncryptedBody::contentTypeIsRecognised() {
    QFETCH(QByteArray, contentType);
    QFETCH(bool, encrypted);
    QCOMPARE(NtlmEncryptedBody::IsEncrypted(contentType), encrypted);
}

void TestNtlmEncryptedBody::refusesDamagedBodies_data() {
    QTest::addColumn<TTamper>("tamper");
    QTest::addColumn<QString>("error");
    const QString malformed = QStringLiteral("sNtlmMalformedEncryptedBody");
    const QString badSignature = QStringLiteral("sNtlmBadSignature");
    const QString lengthMismatch = QStringLiteral("sNtlmLengthMismatch");
    const auto replace = [](const char* from, const char* to) {
        return TTamper([=](QByteArray body) { return body.replace(from, to); });
    };
    const auto flip = [](qsizetype fromSealedStart) {
        return TTamper([=](QByteArray body) {
            const qsizetype at = SealedStart(body) + fromSealedStart;
            body[at] = char(body[at] ^ 0x01);
            return body;
        });
    };
    QTest::newRow("empty") << TTamper([](QByteArray) { return QByteArray(); }) << malformed;
    QTest::newRow("plain SOAP") << TTamper([](QByteArray) { return Envelope; }) << malformed;
    QTest::newRow("a sealed byte flipped") << flip(5) << badSignature;
    QTest::newRow("a signature byte flipped") << flip(-10) << badSignature;
    QTest::newRow("length too large") << replace("Length=", "Length=1") << lengthMismatch;
    QTest::newRow("length too small") << TTamper([](QByteArray body) {
        return body.replace("Length=" + QByteArray::number(Envelope.size()),
                            "Length=" + QByteArray::number(Envelope.size() - 1));
    }) << lengthMismatch;
    QTest::newRow("length far past the end") << replace("Length=", "Length=9999999999") << lengthMismatch;
    QTest::newRow("length beyond 64 bits") << replace("Length=", "Length=999999999999999999999") << malformed;
    QTest::newRow("negative length") << replace("Length=", "Length=-") << malformed;
    QTest::newRow("no length") << replace("Length=", "Size=") << malformed;
    QTest::newRow("extra bytes at the end") << TTamper([](QByteArray body) { return body + "junk"; }) << lengthMismatch;
    QTest::newRow("sealed bytes cut short")
        << TTamper([](QByteArray body) { return body.left(SealedStart(body) + 3); }) << lengthMismatch;
    QTest::newRow("no closing boundary") << replace("--Encrypted Boundary--", "") << lengthMismatch;
    QTest::newRow("signature length 15") << TTamper([](QByteArray body) {
        body[SealedStart(body) - 20] = 15;
        return body;
    }) << malformed;
    QTest::newRow("another protocol") << replace("HTTP-SPNEGO-session-encrypted", "HTTP-Kerberos-session-encrypted")
                                      << malformed;
    QTest::newRow("data part not octet-stream")
        << replace("application/octet-stream", "application/soap+xml") << malformed;
    QTest::newRow("header line without its end") << TTamper([](QByteArray body) { return body.left(30); }) << malformed;
}

void TestNtlmEncryptedBody::refusesDamagedBodies() {
    QFETCH(TTamper, tamper);
    QFETCH(QString, error);
    TPair pair;
    const QByteArray body = tamper(NtlmEncryptedBody::Encode(pair.Server, Envelope));
    try {
        const QByteArray message = NtlmEncryptedBody::Decode(pair.Client, body);
        QFAIL(qPrintable("a damaged body was opened: " + QString::fromLatin1(message)));
    } catch (const TNtlmError& raised) {
        QCOMPARE(raised.Text(), LangStr(error));
    }
}

QTEST_GUILESS_MAIN(TestNtlmEncryptedBody)
#include "TestNtlmEncryptedBody.moc"
