#include "ChannelBinding.h"

#include <QFile>
#include <QTest>

namespace {

QByteArray Pem(const QString& name) {
    QFile file(QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/tls/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Der(const QString& name) {
    const QByteArray pem = Pem(name);
    const QByteArray body = pem.mid(pem.indexOf('\n') + 1, pem.indexOf("-----END") - pem.indexOf('\n') - 1);
    return QByteArray::fromBase64(body);
}

} // namespace

// Expected values: the certificates were made with the openssl command, their hashes taken with
// Python's hashlib over the DER, and the MD5 over sixteen zero bytes, the little-endian length and
// the application data.
class TestChannelBinding : public QObject {
    Q_OBJECT
private slots:
    void certificateHash_data();
    void certificateHash();
    void unreadableCertificateGivesNoBinding_data();
    void unreadableCertificateGivesNoBinding();
};

void TestChannelBinding::certificateHash_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("hash");
    QTest::addColumn<QByteArray>("md5");
    QTest::newRow("ECDSA with SHA-256") << "ec-sha256.pem"
                                        << QByteArray(
                                               "5befd72a8ba86b8c22aeb8b5f8d66515f179f066cca9de4fbbc7afb1e75f8e20")
                                        << QByteArray("bcb9e9b19239cadf4fc4fc330520a96d");
    QTest::newRow("ECDSA with SHA-384")
        << "ec-sha384.pem"
        << QByteArray(
               "e82e0d1e586d9f78876e71ee376d086dbd6691bfd495cebc8760da9d2ef7a08f17ed0598c91ed35c3f1eaf84c3509b10")
        << QByteArray("276f03d157f70681f95c70829b7cd0d1");
    QTest::newRow("RSA with SHA-512")
        << "rsa-sha512.pem"
        << QByteArray("42ffabc8ba0dfc08b98e6a8321ac6540966e766c83b6b10d0735dc7485f1d9c98ae317c441a0480a740cecdb1e1e2e5"
                      "f48a4d5f34cc8015e4f2af3749b96fd33")
        << QByteArray("d31a8d09c200233b6a912b7720116fb6");
    QTest::newRow("RSA with SHA-224 keeps its hash")
        << "rsa-sha224.pem" << QByteArray("f849778f514cedbccaddc33e8ed24b1711c09f06b1c09dd4a7c969f6")
        << QByteArray("10aef558dbd7b355c91a2f7d1eb11bd0");
    QTest::newRow("RSA with SHA-1 gives SHA-256")
        << "rsa-sha1.pem" << QByteArray("af95b73961505758e408d68cbb743c1aa8c8ed75010734ef5fcf929dc41c41d0")
        << QByteArray("868079d41625b1e017f94c4e20150074");
    QTest::newRow("RSA with MD5 gives SHA-256")
        << "rsa-md5.pem" << QByteArray("be5a7692cfb81f8a5cf672ea9ecf87490c837c3c9b99d7b4616a589da3b8e3fc")
        << QByteArray("e4789b8b9c9a2b91b4d1417debd2237e");
    QTest::newRow("RSASSA-PSS names SHA-384 in its parameters")
        << "rsa-pss-sha384.pem"
        << QByteArray(
               "f0b62c1e7fe2fc74f7b84ed47f4a7a8f40babc281ec7a3b4eb13370a879ed4ff271109ba1bea9fb8338dbacc718a4383")
        << QByteArray("1db62c249457455344f84b92b89e9f6f");
}

void TestChannelBinding::certificateHash() {
    QFETCH(QString, file);
    QFETCH(QByteArray, hash);
    QFETCH(QByteArray, md5);
    const TChannelBinding binding = TChannelBinding::FromCertificate(Der(file));
    QCOMPARE(binding.ApplicationData(), "tls-server-end-point:" + QByteArray::fromHex(hash));
    QCOMPARE(binding.Md5().toHex(), md5);
    QCOMPARE(TChannelBinding::FromPem(Pem(file)), binding);
}

void TestChannelBinding::unreadableCertificateGivesNoBinding_data() {
    QTest::addColumn<QByteArray>("der");
    const QByteArray good = Der(QStringLiteral("ec-sha256.pem"));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut short") << good.left(good.size() - 1);
    QTest::newRow("trailing bytes") << good + '\0';
    QTest::newRow("length beyond the text") << QByteArray::fromHex("3084ffffffff30");
    QTest::newRow("indefinite length") << QByteArray::fromHex("30803000");
    QTest::newRow("no signature algorithm") << QByteArray::fromHex("300430020500");
    QTest::newRow("not a sequence") << QByteArray::fromHex("0403414243");
}

void TestChannelBinding::unreadableCertificateGivesNoBinding() {
    QFETCH(QByteArray, der);
    const TChannelBinding binding = TChannelBinding::FromCertificate(der);
    QVERIFY(binding.IsEmpty());
    QCOMPARE(binding.Md5(), QByteArray(16, '\0'));
}

QTEST_GUILESS_MAIN(TestChannelBinding)
#include "TestChannelBinding.moc"
