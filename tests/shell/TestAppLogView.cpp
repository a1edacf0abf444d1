#include "uAppLog.h"
#include "uAppLogView.h"
#include "uVirtualTreesColumnsUtil.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLocale>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTest>

class TestAppLogView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void actionsFollowRowsAndSelection();
    void copiesVisibleColumnsInScreenOrder();
    void headerFollowsNewCaptionsAtOnce();
    void multiLineMessageShowsWhole();
    void timeColumnFitsItsContent_data();
    void timeColumnFitsItsContent();
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

void TestAppLogView::headerFollowsNewCaptionsAtOnce() {
    QTemporaryDir dir;
    TAppLog log(dir.path() + u'/', nullptr);
    TAppLogView view(&log);
    TListColumnLayout layout(2);
    layout[0].Caption = QStringLiteral("Time");
    layout[1] = {true, QStringLiteral("Message"), 200, 1, 1, false, 0};
    ApplyColumnLayout(&view, layout, 1);
    QCOMPARE(log.headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));

    // The header repaints only when the model says that its data changed.
    QSignalSpy changed(&log, &QAbstractItemModel::headerDataChanged);
    QVERIFY(log.setHeaderData(0, Qt::Horizontal, QStringLiteral("Zeit")));
    QVERIFY(log.setHeaderData(1, Qt::Horizontal, QStringLiteral("Meldung")));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(1).at(1).toInt(), 1);
    QCOMPARE(view.header()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Zeit"));
    QCOMPARE(view.header()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Meldung"));

    TListColumnLayout stored(2);
    StoreColumnLayout(&view, stored, 1);
    QCOMPARE(stored[1].Alignment, 1);
    QVERIFY(!log.setHeaderData(2, Qt::Horizontal, QStringLiteral("none")));
    QVERIFY(!log.setHeaderData(0, Qt::Vertical, QStringLiteral("none")));
}

void TestAppLogView::multiLineMessageShowsWhole() {
    QTemporaryDir dir;
    TAppLog log(dir.path() + u'/', nullptr);
    TAppLogView view(&log);
    view.resize(600, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QString twoLines = QStringLiteral("pc1: Restart failed.\r\nAccess is denied.");
    log.AddAt(QStringLiteral("one line"), TAppLogLevel::Info, March5);
    log.AddAt(twoLines, TAppLogLevel::Error, March5);

    const QModelIndex tall = log.index(0, 1);
    const QModelIndex flat = log.index(1, 1);
    QTRY_VERIFY(view.visualRect(tall).height() >= 2 * view.fontMetrics().height());
    QVERIFY(view.visualRect(tall).height() > view.visualRect(flat).height());
    QCOMPARE(tall.data(Qt::ToolTipRole).toString(), twoLines);
    const auto* delegate = qobject_cast<const QStyledItemDelegate*>(view.itemDelegate());
    QVERIFY(delegate && !delegate->displayText(tall.data(), QLocale()).contains(u'\r'));
    QCOMPARE(log.index(0, 0).data(Qt::ToolTipRole).toString(), TAppLog::FormatFileTime(March5));
    // The copied text keeps the message as logged.
    view.actLOGCopyAllToClipboard->trigger();
    QVERIFY(QApplication::clipboard()->text().contains(twoLines));
}

void TestAppLogView::timeColumnFitsItsContent_data() {
    QTest::addColumn<int>("storedWidth");
    QTest::addColumn<bool>("widened");
    QTest::newRow("stored at the old default") << 50 << true;
    QTest::newRow("stored wider by the user") << 400 << false;
}

void TestAppLogView::timeColumnFitsItsContent() {
    QFETCH(int, storedWidth);
    QFETCH(bool, widened);
    QTemporaryDir dir;
    TAppLog log(dir.path() + u'/', nullptr);
    TAppLogView view(&log);
    view.resize(800, 300);
    TListColumnLayout layout(2);
    layout[0].Width = storedWidth;
    ApplyColumnLayout(&view, layout, 1);
    view.FitTimeColumn();
    QVERIFY(view.header()->sectionSize(0) >= view.header()->sectionSizeHint(0));

    // An entry of another day shows date and time; all of it fits.
    log.AddAt(QStringLiteral("old"), TAppLogLevel::Warning, March5);
    const int content = view.sizeHintForIndex(log.index(0, 0)).width();
    QVERIFY(content > 50);
    QCOMPARE(view.header()->sectionSize(0), widened ? content : storedWidth);
}

QTEST_MAIN(TestAppLogView)
#include "TestAppLogView.moc"
