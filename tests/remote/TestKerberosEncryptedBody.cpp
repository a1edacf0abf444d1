#include "EncryptedBody.h"
#include "GssSecurityContext.h"
#include "LangChanger.h"
#include "NtlmError.h"

#include <QTest>
#include <QtEndian>

// The framing of Kerberos-sealed bodies: wrap headers of the length the body states, padding after the
// data up to the closing boundary, the protocol named in the first part. A context without a KDC opens
// no wrap token, so a body whose framing holds reaches GSSAPI and fails only its integrity check.
class TestKerberosEncryptedBody : public QObject {
    Q_OBJECT
private slots:
    void framing_data();
    void framing();
    void contentTypeNamesTheProtocol();
};

namespace {

const QByteArray Kerberos = "application/HTTP-Kerberos-session-encrypted";
const QByteArray Spnego = "application/HTTP-SPNEGO-session-encrypted";

QByteArray Body(const QByteArray& protocol, quint32 statedHeader, qsizetype header, qsizetype length, qsizetype data) {
    char size[4];
    qToLittleEndian(statedHeader, size);
    return "--Encrypted Boundary\r\n\tContent-Type: " + protocol +
           "\r\n\tOriginalContent: type=application/soap+xml;charset=UTF-8;Length=" + QByteArray::number(length) +
           "\r\n--Encrypted Boundary\r\n\tContent-Type: application/octet-stream\r\n" + QByteArray(size, 4) +
           QByteArray(header, '\x11') + QByteArray(data, '\x22') + "--Encrypted Boundary--\r\n";
}

} // namespace

void TestKerberosEncryptedBody::framing_data() {
    QTest::addColumn<QByteArray>("protocol");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    const QString bad = QStringLiteral("sNtlmBadSignature");
    const QString malformed = QStringLiteral("sNtlmMalformedEncryptedBody");
    const QString mismatch = QStringLiteral("sNtlmLengthMismatch");
    QTest::newRow("AES header, no padding") << Kerberos << Body(Kerberos, 60, 60, 100, 100) << bad;
    QTest::newRow("under SPNEGO") << Spnego << Body(Spnego, 60, 60, 100, 100) << bad;
    QTest::newRow("RC4 padding of one byte") << Kerberos << Body(Kerberos, 45, 45, 100, 101) << bad;
    QTest::newRow("more padding than a block") << Kerberos << Body(Kerberos, 60, 60, 100, 140) << mismatch;
    QTest::newRow("data shorter than stated") << Kerberos << Body(Kerberos, 60, 60, 100, 90) << mismatch;
    QTest::newRow("empty header") << Kerberos << Body(Kerberos, 0, 0, 100, 100) << malformed;
    QTest::newRow("header far too long") << Kerberos << Body(Kerberos, 5000, 5000, 10, 10) << malformed;
    QTest::newRow("header past the end") << Kerberos << Body(Kerberos, 1000, 60, 10, 10) << malformed;
    QTest::newRow("header length beyond 32 bits signed")
        << Kerberos << Body(Kerberos, 0xffffffffu, 60, 10, 10) << malformed;
    QTest::newRow("other protocol named") << Kerberos << Body(Spnego, 60, 60, 100, 100) << malformed;
}

void TestKerberosEncryptedBody::framing() {
    QFETCH(QByteArray, protocol);
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    TGssSecurityContext context(GSS_C_NO_CONTEXT, protocol);
    try {
        EncryptedBody::Decode(context, body);
        QFAIL("the body was opened");
    } catch (const TNtlmError& raised) {
        QCOMPARE(raised.Text(), LangStr(error));
    }
}

void TestKerberosEncryptedBody::contentTypeNamesTheProtocol() {
    const QByteArray contentType = EncryptedBody::ContentType(Kerberos);
    QCOMPARE(contentType, QByteArray("multipart/encrypted;protocol=\"application/HTTP-Kerberos-session-encrypted\";"
                                     "boundary=\"Encrypted Boundary\""));
    QVERIFY(EncryptedBody::IsEncrypted(contentType, Kerberos));
    QVERIFY(!EncryptedBody::IsEncrypted(contentType, Spnego));
}

QTEST_GUILESS_MAIN(TestKerberosEncryptedBody)
#include "TestKerberosEncryptedBody.moc"
