#include "DetectOS.h"
#include "FileInfo.h"

#include <QRegularExpression>
#include <QTest>

class TestFileInfo : public QObject {
    Q_OBJECT
private slots:
    void runningProgram();
    void fileWithoutVersion();
    void versionStrings_data();
    void versionStrings();
    void buildDate();
    void windowsVersionCheck_data();
    void windowsVersionCheck();
};

void TestFileInfo::runningProgram() {
    const TFixedFileInfo info = GetFixedFileInfo();
    QVERIFY(!info.IsZeroVersion());
    QCOMPARE(GetVersionFull(),
             QStringLiteral("%1.%2.%3.%4").arg(info.Major).arg(info.Minor).arg(info.Release).arg(info.Build));
    QCOMPARE(GetVersionShort(), QStringLiteral("%1.%2").arg(info.Major).arg(info.Minor));
    // The program's own path means the running program as well.
    QCOMPARE(GetVersionFull(QCoreApplication::applicationFilePath()), GetVersionFull());
}

void TestFileInfo::fileWithoutVersion() {
    const QString file = QStringLiteral(DORMIVA_SOURCE_DIR "/CMakeLists.txt");
    const TFixedFileInfo info = GetFixedFileInfo(file);
    QVERIFY(info.IsZeroVersion());
    QCOMPARE(info.FileFlags, 0u);
    QCOMPARE(GetVersionShort(file), QString());
    QCOMPARE(GetVersionFull(file), QString());
    QCOMPARE(GetVersionFull(QStringLiteral("/no/such/file")), QString());
}

void TestFileInfo::versionStrings_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("company") << "CompanyName"
                             << "Vardolin";
    QTest::newRow("product") << "ProductName"
                             << "Dormiva";
    QTest::newRow("internal") << "InternalName"
                              << "dormiva";
    QTest::newRow("missing") << "LegalTrademarks"
                             << "";
    QTest::newRow("letter case matters") << "productname"
                                         << "";
}

void TestFileInfo::versionStrings() {
    QFETCH(QString, name);
    QFETCH(QString, value);
    QCOMPARE(GetVersionString(name), value);
}

void TestFileInfo::buildDate() {
    const QDateTime built = GetBuildDate();
    QVERIFY(built.isValid());
    QCOMPARE(built.timeSpec(), Qt::UTC);
    QVERIFY(built > QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC));
    QVERIFY(built <= QDateTime::currentDateTimeUtc());
}

void TestFileInfo::windowsVersionCheck_data() {
    QTest::addColumn<uint>("major");
    QTest::addColumn<uint>("minor");
    QTest::addColumn<uint>("servicePack");
    QTest::addColumn<bool>("orLater");
    QTest::newRow("XP") << 5u << 1u << 0u << true;
    QTest::newRow("Vista") << 6u << 0u << 0u << true;
    QTest::newRow("lower major with higher minor") << 9u << 99u << 99u << true;
    QTest::newRow("same version") << 10u << 0u << 0u << true;
    QTest::newRow("later service pack") << 10u << 0u << 1u << false;
    QTest::newRow("later minor") << 10u << 1u << 0u << false;
    QTest::newRow("later major") << 11u << 0u << 0u << false;
}

// Off Windows the running system answers as Windows 10.0 does, so Vista features are on.
void TestFileInfo::windowsVersionCheck() {
    QFETCH(uint, major);
    QFETCH(uint, minor);
    QFETCH(uint, servicePack);
    QFETCH(bool, orLater);
    QCOMPARE(IsWindowsVersionOrLater(major, minor, quint16(servicePack)), orLater);
    QVERIFY(IsWindowsVistaOrLater());
}

QTEST_GUILESS_MAIN(TestFileInfo)
#include "TestFileInfo.moc"
