#include "TEnglishTexts.h"
#include "uActionPanel.h"
#include "uDataJob.h"

#include <QAction>
#include <QComboBox>
#include <QStackedWidget>
#include <QTest>

class TestActionPanel : public QObject {
    Q_OBJECT
private slots:
    void listsActionsInCodeOrderWithTheirPages();
    void choosingAnItemShowsItsPage();
};

void TestActionPanel::listsActionsInCodeOrderWithTheirPages() {
    TEnglishTexts english;
    QVERIFY(english.IsLoaded());
    QAction execute(QStringLiteral("Execute"));
    QAction stop(QStringLiteral("Stop"));
    TActionPanel panel(&execute, &stop);
    QCOMPARE(panel.cmbShutdownAction->count(), 3);
    QCOMPARE(panel.cmbShutdownAction->itemText(0), QStringLiteral("Shut down"));
    QCOMPARE(panel.cmbShutdownAction->itemText(1), QStringLiteral("Restart"));
    QCOMPARE(panel.cmbShutdownAction->itemText(2), QStringLiteral("Wake up"));
    QCOMPARE(panel.pcActionInfo->indexOf(panel.tsShutdown), int(acShutdown));
    QCOMPARE(panel.pcActionInfo->indexOf(panel.tsRestart), int(acRestart));
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
}

QTEST_MAIN(TestActionPanel)
#include "TestActionPanel.moc"
