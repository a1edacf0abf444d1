#include "PlatformMachineIdentity.h"
#include "uPasswordProtection.h"

#include <QTest>

namespace {

// Known answers computed once with PyCryptodome 3.11 (Debian python3-pycryptodome), independently of
// nettle: Blowfish.new(md5(key), MODE_CFB, iv=Blowfish.new(md5(key), MODE_ECB).encrypt(bytes(8)),
// segment_size=8).encrypt(password.encode("utf-8")), then standard Base64; the check values are
// Base64 of md5(key) cut before its first zero byte.
const QString kKey = QStringLiteral("WS-ADMIN-07/jdoe/3F-A2");

} // namespace

class TestPasswordProtection : public QObject {
    Q_OBJECT
private slots:
    void knownAnswers_data();
    void knownAnswers();
    void oneProtectorServesEveryPassword();
    void roundTrips_data();
    void roundTrips();
    void emptyKeyOrPassword();
    void otherKeyGivesOtherText();
    void damagedTextDoesNotFail();
    void checkValues_data();
    void checkValues();
    void checkIsExact();
    void machineKey();
};

void TestPasswordProtection::knownAnswers_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("stored");
    QTest::newRow("1 byte") << "x"
                            << "Sw==";
    QTest::newRow("3 bytes give four characters") << "abc"
                                                  << "UrOt";
    QTest::newRow("7 bytes") << "passwd7"
                             << "Q9dD5lRoVA==";
    QTest::newRow("8 bytes") << "Secret#8"
                             << "YI9nzbU0LVI=";
    QTest::newRow("9 bytes") << "Nine9nine"
                             << "fW5E8yjIFJhs";
    QTest::newRow("100 bytes")
        << QStringLiteral("0123456789").repeated(10)
        << "A6yNC5afWexXg4ujFn9g/D3bWJ7ftfp2ObfXzVXgbas74dE2pEk8za04pwXwHp0XEWMgMYI2w0/TRjrZH8f31amH"
           "bFSZxp6VgJLmQY+R56BtckaXzoGzGdd3Ptfo7uZ6jjknVQ==";
    QTest::newRow("UTF-8 bytes") << QString::fromUtf8("Grüße €") << "dEM7XYSLGCIghxM=";
}

void TestPasswordProtection::knownAnswers() {
    QFETCH(QString, password);
    QFETCH(QString, stored);
    QCOMPARE(EncryptPassword(password, kKey), stored);
    QCOMPARE(DecryptPassword(stored, kKey), password);
}

void TestPasswordProtection::oneProtectorServesEveryPassword() {
    // A list file protects all its passwords with one set-up cipher; each still stands on its own.
    const TPasswordProtector protector(kKey);
    QCOMPARE(protector.Encrypt(QStringLiteral("passwd7")), QStringLiteral("Q9dD5lRoVA=="));
    QCOMPARE(protector.Encrypt(QStringLiteral("Secret#8")), QStringLiteral("YI9nzbU0LVI="));
    QCOMPARE(protector.Decrypt(QStringLiteral("Q9dD5lRoVA==")), QStringLiteral("passwd7"));
    QCOMPARE(protector.Decrypt(QStringLiteral("YI9nzbU0LVI=")), QStringLiteral("Secret#8"));
    QCOMPARE(TPasswordProtector(QString()).Encrypt(QStringLiteral("clear")), QStringLiteral("clear"));
}

void TestPasswordProtection::roundTrips_data() {
    QTest::addColumn<int>("length");
    for (const int length : {0, 1, 7, 8, 9, 100})
        QTest::addRow("%d bytes", length) << length;
}

void TestPasswordProtection::roundTrips() {
    QFETCH(int, length);
    QString password;
    for (int i = 0; i < length; ++i)
        password += QChar(u'!' + (i * 7) % 90);
    for (const QString& key : {kKey, GetMachineKey(1), QStringLiteral("k")}) {
        const QString stored = EncryptPassword(password, key);
        QCOMPARE(stored.isEmpty(), password.isEmpty());
        QCOMPARE(QByteArray::fromBase64(stored.toLatin1()).size(), length); // no padding
        QCOMPARE(DecryptPassword(stored, key), password);
        // The vector depends on the key only: the same password gives the same text.
        QCOMPARE(EncryptPassword(password, key), stored);
    }
}

void TestPasswordProtection::emptyKeyOrPassword() {
    QCOMPARE(EncryptPassword(QStringLiteral("abc"), QString()), QStringLiteral("abc"));
    QCOMPARE(DecryptPassword(QStringLiteral("abc"), QString()), QStringLiteral("abc"));
    QCOMPARE(EncryptPassword(QString(), kKey), QString());
    QCOMPARE(DecryptPassword(QString(), kKey), QString());
    QCOMPARE(DecryptPassword(QString(), QString()), QString());
}

void TestPasswordProtection::otherKeyGivesOtherText() {
    const QString otherKey = QStringLiteral("WS-ADMIN-07/jdoe/3F-A3");
    QCOMPARE(EncryptPassword(QStringLiteral("Secret#8"), otherKey), QStringLiteral("jFsVaMw8aqQ="));
    QVERIFY(DecryptPassword(QStringLiteral("YI9nzbU0LVI="), otherKey) != QStringLiteral("Secret#8"));
}

void TestPasswordProtection::damagedTextDoesNotFail() {
    QVERIFY(!DecryptPassword(QStringLiteral("not base64 at all!"), kKey).isEmpty());
    DecryptPassword(QString::fromUtf8("€€€"), kKey);
    DecryptPassword(QStringLiteral("===="), kKey);
}

void TestPasswordProtection::checkValues_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("hash");
    QTest::newRow("full digest") << kKey << "w8utdpBTHKpKbBylQacxhQ==";
    QTest::newRow("empty key: digest cut at byte 5") << ""
                                                     << "1B2M2Y8=";
    QTest::newRow("zero at byte 2") << "key50"
                                    << "Wo4=";
    QTest::newRow("zero first byte: empty") << "key273"
                                            << "";
}

void TestPasswordProtection::checkValues() {
    QFETCH(QString, key);
    QFETCH(QString, hash);
    QCOMPARE(HashMachineKey(key), hash);
    QVERIFY(CheckMachineKeyHash(hash, key));
}

void TestPasswordProtection::checkIsExact() {
    QVERIFY(!CheckMachineKeyHash(QStringLiteral("W8UTDPBTHKPKBBYLQACXHQ=="), kKey));
    QVERIFY(!CheckMachineKeyHash(QStringLiteral("w8utdpBTHKpKbBylQacxhQ== "), kKey));
    // Options written under level 0 store an empty check value, which the empty key does not match.
    QVERIFY(!CheckMachineKeyHash(QString(), GetMachineKey(0)));
}

void TestPasswordProtection::machineKey() {
    QCOMPARE(GetMachineKey(0), QString());
    QCOMPARE(GetMachineKey(7), QString());
    QCOMPARE(GetMachineKey(-1), QString());
    const QString key = GetMachineKey(1);
    QVERIFY(!key.isEmpty());
    QCOMPARE(GetMachineKey(1), key);
    QCOMPARE(key, ComposeMachineKey(Platform::ComputerName(), Platform::LoginName(), Platform::SystemVolumeSerial()));

    QCOMPARE(ComposeMachineKey(QStringLiteral("WS-ADMIN-07"), QStringLiteral("jdoe"), 0x12343FA2u), kKey);
    QCOMPARE(ComposeMachineKey(QStringLiteral("a").repeated(30), QStringLiteral("b").repeated(30), 0x5u),
             QStringLiteral("a").repeated(19) + u'/' + QStringLiteral("b").repeated(19) + QStringLiteral("/00-05"));
    QCOMPARE(ComposeMachineKey(QString(), QStringLiteral("jdoe"), std::nullopt), QStringLiteral("/jdoe/"));
}

QTEST_GUILESS_MAIN(TestPasswordProtection)
#include "TestPasswordProtection.moc"
