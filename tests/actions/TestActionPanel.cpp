#include "TEnglishTexts.h"
#include "uActionPanel.h"
#include "uDataJob.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>

class TestActionPanel : public QObject {
    Q_OBJECT
private slots:
    void listsActionsInCodeOrderWithTheirPages();
    void choosingAnItemShowsItsPage();
    void optionsMakeTheNotice_data();
    void optionsMakeTheNotice();
    void delayStaysWithinWindowsLimit();
};

void TestActionPanel::listsActionsInCodeOrderWithTheirPages() {
    TEnglishTexts english;
    QVERIFY(english.IsLoaded());
    QAction execute(QStringLiteral("Execute"));
    QAction stop(QStringLiteral("Stop"));
    TActionPanel panel(&execute, &stop);
    QCOMPARE(panel.cmbShutdownAction->count(), 4);
    QCOMPARE(panel.cmbShutdownAction->itemText(0), QStringLiteral("Shut down"));
    QCOMPARE(panel.cmbShutdownAction->itemText(1), QStringLiteral("Restart"));
    QCOMPARE(panel.cmbShutdownAction->itemText(2), QStringLiteral("Restart and wait until back"));
    QCOMPARE(panel.cmbShutdownAction->itemText(3), QStringLiteral("Wake up"));
    QCOMPARE(panel.pcActionInfo->indexOf(panel.tsShutdown), int(acShutdown));
    QCOMPARE(panel.pcActionInfo->indexOf(panel.tsRestart), int(acRestart));
    QCOMPARE(panel.pcActionInfo->indexOf(panel.tsRestartWait), int(acRestartWait));
    QCOMPARE(panel.pcActionInfo->indexOf(panel.tsWakeUp), int(acWakeUp));
    QCOMPARE(panel.cmbShutdownAction->currentIndex(), 0);
    QCOMPARE(panel.pcActionInfo->currentWidget(), panel.tsShutdown);
    QCOMPARE(panel.SelectedAction(), qint32(acShutdown));
}

void TestActionPanel::choosingAnItemShowsItsPage() {
    QAction execute(QStringLiteral("Execute"));
    QAction stop(QStringLiteral("Stop"));
    TActionPanel panel(&execute, &stop);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    panel.cmbShutdownAction->setFocus();
    QTest::keyClick(panel.cmbShutdownAction, Qt::Key_Down);
    QCOMPARE(panel.cmbShutdownAction->currentIndex(), 1);
    QCOMPARE(panel.pcActionInfo->currentWidget(), panel.tsRestart);
    QCOMPARE(panel.SelectedAction(), qint32(acRestart));
    QVERIFY(panel.gbOptions->isEnabled());
    QTest::keyClick(panel.cmbShutdownAction, Qt::Key_End);
    QCOMPARE(panel.pcActionInfo->currentWidget(), panel.tsWakeUp);
    QCOMPARE(panel.SelectedAction(), qint32(acWakeUp));
    QVERIFY(!panel.gbOptions->isEnabled()); // the notice is for computers that go down
    QTest::keyClick(panel.cmbShutdownAction, Qt::Key_Home);
    QVERIFY(panel.gbOptions->isEnabled());
}

void TestActionPanel::optionsMakeTheNotice_data() {
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("reasonIndex");
    QTest::addColumn<quint32>("reasonCode");
    QTest::addColumn<bool>("isSet");
    QTest::newRow("untouched: the plain call") << 0 << "" << 0 << 0u << false;
    QTest::newRow("delay alone") << 90 << "" << 0 << 0u << true;
    QTest::newRow("message alone") << 0 << "Saving time: 5 minutes" << 0 << 0u << true;
    // The third choice: hardware maintenance, planned (flag 0x80000000, major 1, minor 1).
    QTest::newRow("reason alone") << 0 << "" << 3 << 0x80010001u << true;
    QTest::newRow("other, planned is no zero code") << 0 << "" << 1 << 0x80000000u << true;
}

void TestActionPanel::optionsMakeTheNotice() {
    QFETCH(int, delay);
    QFETCH(QString, message);
    QFETCH(int, reasonIndex);
    QFETCH(quint32, reasonCode);
    QFETCH(bool, isSet);
    TEnglishTexts english;
    QAction execute(QStringLiteral("Execute"));
    QAction stop(QStringLiteral("Stop"));
    TActionPanel panel(&execute, &stop);
    QCOMPARE(panel.gbOptions->objectName(), QStringLiteral("gbOptions"));
    QCOMPARE(panel.cmbReason->itemText(0), QStringLiteral("No reason given"));
    panel.edDelay->setValue(delay);
    panel.edMessage->setText(message);
    panel.cmbReason->setCurrentIndex(reasonIndex);
    const TShutdownNotice notice = panel.Notice();
    QCOMPARE(notice.DelaySeconds, delay);
    QCOMPARE(notice.Message, message);
    QCOMPARE(notice.ReasonCode, reasonCode);
    QCOMPARE(notice.IsSet(), isSet);
    // A change of language keeps the chosen reason.
    panel.ReloadActionNames();
    QCOMPARE(panel.Notice().ReasonCode, reasonCode);
}

void TestActionPanel::delayStaysWithinWindowsLimit() {
    QAction execute(QStringLiteral("Execute"));
    QAction stop(QStringLiteral("Stop"));
    TActionPanel panel(&execute, &stop);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    panel.edDelay->setFocus();
    panel.edDelay->selectAll();
    QTest::keyClicks(panel.edDelay, QStringLiteral("9999"));
    QVERIFY(panel.edDelay->value() <= 600);
    panel.edMessage->setText(QString(2000, u'x'));
    QCOMPARE(panel.Notice().Message.size(), 512);
}

QTEST_MAIN(TestActionPanel)
#include "TestActionPanel.moc"
