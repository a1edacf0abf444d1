#include "uAppLog.h"
#include "uAppLogView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

class TestAppLogView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void actionsFollowRowsAndSelection();
    void copiesVisibleColumnsInScreenOrder();
};

namespace {
const QDateTime March5(QDate(2026, 3, 5), QTime(14, 7, 9));
const QString Time = QStringLiteral("3/5/26 2:07:09 PM");
} // namespace

void TestAppLogView::actionsFollowRowsAndSelection() {
    QTemporaryDir dir;
    TAppLog log(dir.path() + u'/', nullptr);
    TAppLogView view(&log);
    QVERIFY(!view.actLOGCopyAllToClipboard->isEnabled());
    QVERIFY(!view.actClearAppLog->isEnabled());
    QVERIFY(!view.actLOGCopyRowToClipboard->isEnabled());

    log.AddAt(QStringLiteral("one"), TAppLogLevel::Info, March5);
    QVERIFY(view.actLOGCopyAllToClipboard->isEnabled());
    QVERIFY(view.actClearAppLog->isEnabled());
    QVERIFY(!view.actLOGCopyRowToClipboard->isEnabled());

    view.selectAll();
    QVERIFY(view.actLOGCopyRowToClipboard->isEnabled());
    view.actClearAppLog->trigger();
    QCOMPARE(log.rowCount(), 0);
    QVERIFY(!view.actLOGCopyAllToClipboard->isEnabled());
    QVERIFY(!view.actLOGCopyRowToClipboard->isEnabled());
}

void TestAppLogView::copiesVisibleColumnsInScreenOrder() {
    QTemporaryDir dir;
    TAppLog log(dir.path() + u'/', nullptr);
    TAppLogView view(&log);
    for (const char* text : {"a", "b", "c"})
        log.AddAt(QString::fromLatin1(text), TAppLogLevel::Success, March5);

    view.selectionModel()->select(log.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view.selectionModel()->select(log.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view.actLOGCopyRowToClipboard->trigger();
    QCOMPARE(QApplication::clipboard()->text(), Time + "\tc\r\n" + Time + "\ta");

    view.header()->moveSection(1, 0);
    view.actLOGCopyAllToClipboard->trigger();
    QCOMPARE(QApplication::clipboard()->text(), "c\t" + Time + "\r\nb\t" + Time + "\r\na\t" + Time);

    view.header()->hideSection(0);
    view.actLOGCopyAllToClipboard->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("c\r\nb\r\na"));
}

QTEST_MAIN(TestAppLogView)
#include "TestAppLogView.moc"
