#include "uQtTranslation.h"

#include <QCoreApplication>
#include <QTest>

namespace {
QString QtCancel() {
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}
} // namespace

// Qt's own catalogue for the language a language file names; the code is data from a file.
class TestQtTranslation : public QObject {
    Q_OBJECT
private slots:
    void appliesTheNamedCatalogue_data();
    void appliesTheNamedCatalogue();
    void removedWithItsHolder();
};

void TestQtTranslation::appliesTheNamedCatalogue_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("German") << "de" << true << "Abbrechen";
    QTest::newRow("English needs none") << "en" << true << "Cancel";
    QTest::newRow("none named") << "" << true << "Cancel";
    QTest::newRow("no catalogue") << "xx" << false << "Cancel";
    QTest::newRow("a path, not a code") << "de/../../qtbase_de" << false << "Cancel";
}

void TestQtTranslation::appliesTheNamedCatalogue() {
    QFETCH(QString, code);
    QFETCH(bool, applied);
    QFETCH(QString, cancel);
    TQtTranslation translation;
    QVERIFY(translation.Apply(QStringLiteral("de")));
    // Every code replaces what was there, also one that brings no catalogue of its own.
    QCOMPARE(translation.Apply(code), applied);
    QCOMPARE(QtCancel(), cancel);
}

void TestQtTranslation::removedWithItsHolder() {
    {
        TQtTranslation translation;
        QVERIFY(translation.Apply(QStringLiteral("de")));
        QCOMPARE(QtCancel(), QStringLiteral("Abbrechen"));
    }
    QCOMPARE(QtCancel(), QStringLiteral("Cancel"));
}

QTEST_GUILESS_MAIN(TestQtTranslation)
#include "TestQtTranslation.moc"
