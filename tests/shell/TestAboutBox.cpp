#include "uDlgAbout.h"

#include <QLabel>
#include <QTest>

class TestAboutBox : public QObject {
    Q_OBJECT
private slots:
    void flagsText_data();
    void flagsText();
    void zeroVersionLeavesLabelEmpty();
};

void TestAboutBox::flagsText_data() {
    QTest::addColumn<uint>("flags");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0u << "";
    QTest::newRow("beta") << 0x1u << " (Beta)";
    QTest::newRow("pre-release") << 0x2u << " (Pre-Release)";
    QTest::newRow("special") << 0x20u << " (Special build)";
    QTest::newRow("beta and pre-release: last wins") << 0x3u << " (Pre-Release)";
    QTest::newRow("all three: last wins") << 0x23u << " (Special build)";
    QTest::newRow("other flags ignored") << 0x4u << "";
}

void TestAboutBox::flagsText() {
    QFETCH(uint, flags);
    QFETCH(QString, text);
    QCOMPARE(AboutFlagsText(flags), text);
}

void TestAboutBox::zeroVersionLeavesLabelEmpty() {
    TAboutBox zero(nullptr, TFixedFileInfo{}, QDateTime::currentDateTimeUtc(), QUrl());
    QCOMPARE(zero.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QString());
    QCOMPARE(zero.findChild<QLabel*>(QStringLiteral("lblName"))->text(), QStringLiteral("Dormiva"));
    TAboutBox versioned(nullptr, TFixedFileInfo{1, 2, 3, 4, 0}, QDateTime::currentDateTimeUtc(), QUrl());
    QVERIFY(!versioned.findChild<QLabel*>(QStringLiteral("lblVersion"))->text().isEmpty());
    QCOMPARE(versioned.windowTitle(), QStringLiteral("About"));
}

QTEST_MAIN(TestAboutBox)
#include "TestAboutBox.moc"
