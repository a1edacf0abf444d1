#include "udlgDetectLocalIPAddress.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>

class TestdlgDetectLocalIPAddress : public QObject {
    Q_OBJECT
private slots:
    void choose_data();
    void choose();
};

void TestdlgDetectLocalIPAddress::choose_data() {
    QTest::addColumn<int>("pick"); // -1: keep the proposal
    QTest::addColumn<bool>("ok");
    QTest::addColumn<std::optional<qsizetype>>("expected");
    QTest::newRow("OK keeps the first line") << -1 << true << std::optional<qsizetype>(0);
    QTest::newRow("OK with the second line") << 1 << true << std::optional<qsizetype>(1);
    QTest::newRow("Cancel") << 1 << false << std::optional<qsizetype>();
}

void TestdlgDetectLocalIPAddress::choose() {
    QFETCH(int, pick);
    QFETCH(bool, ok);
    const QStringList lines{QStringLiteral("192.168.5.20 (eth0)"), QStringLiteral("10.1.2.3 (wlan0)")};
    QStringList shown;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<TdlgDetectLocalIPRange*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* list = dialog->findChild<QComboBox*>(QStringLiteral("cmbIPAddressIndex"));
        QVERIFY(list);
        for (int i = 0; i < list->count(); ++i)
            shown.append(list->itemText(i));
        if (pick >= 0)
            list->setCurrentIndex(pick);
        ok ? dialog->accept() : dialog->reject();
    });
    const std::optional<qsizetype> chosen = TdlgDetectLocalIPRange::Choose(nullptr, lines);
    QCOMPARE(shown, lines);
    QTEST(chosen, "expected");
}

QTEST_MAIN(TestdlgDetectLocalIPAddress)
#include "TestdlgDetectLocalIPAddress.moc"
