#include "TScriptedPrompts.h"
#include "uVirtualTreesColumnsUtil.h"
#include "uXMLStorage.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace {

const QString kSection = QStringLiteral("LogColumns");

// A log-like view: two columns, time and message.
struct TLogView {
    QStandardItemModel Model{3, 2};
    QTreeView View;
    TLogView() {
        View.setModel(&Model);
        View.resize(400, 200);
    }
};

} // namespace

class TestColumnLayout : public QObject {
    Q_OBJECT
private slots:
    void defaultsWithoutSection();
    void savedKeysAndOrder();
    void userChangesSurviveRestart();
    void hiddenColumnAndSortColumn();
    void hostileValuesAreBounded();

private:
    TListColumnLayout LoadFrom(const QString& content);
    QTemporaryDir m_dir;
    TScriptedPrompts m_prompts;
};

TListColumnLayout TestColumnLayout::LoadFrom(const QString& content) {
    const QString path = m_dir.filePath(QStringLiteral("options.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content.toUtf8());
    file.close();
    TXMLStorage storage(path, m_prompts);
    storage.Open();
    TListColumnLayout layout(2);
    layout[0].Caption = QStringLiteral("Time");
    layout[1].Caption = QStringLiteral("Message");
    LoadColumnLayout(storage, layout, 1, kSection);
    return layout;
}

void TestColumnLayout::defaultsWithoutSection() {
    const TListColumnLayout layout = LoadFrom(QStringLiteral("<Options/>"));
    TLogView log;
    ApplyColumnLayout(&log.View, layout, 1);
    log.View.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log.View));

    const QHeaderView* header = log.View.header();
    QCOMPARE(header->visualIndex(0), 0);
    QCOMPARE(header->sectionSize(0), 50);
    QVERIFY(!header->isSectionHidden(0) && !header->isSectionHidden(1));
    QCOMPARE(header->sortIndicatorSection(), -1);
    QCOMPARE(log.Model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Time"));
    QCOMPARE(log.Model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Message"));
    // The message column fills the rest of the width.
    QCOMPARE(header->sectionSize(0) + header->sectionSize(1), log.View.viewport()->width());
    QVERIFY(header->sectionSize(1) > 50);
}

void TestColumnLayout::savedKeysAndOrder() {
    const QString path = m_dir.filePath(QStringLiteral("keys.xml"));
    TListColumnLayout layout(2);
    layout[1] = {false, QStringLiteral("Message"), 120, 1, 0, true, 1};
    {
        TXMLStorage storage(path, m_prompts);
        QVERIFY(storage.Open());
        SaveColumnLayout(storage, layout, 1, kSection);
        QVERIFY(storage.Save());
    }
    QDomDocument document;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(document.setContent(&file));
    QStringList keys;
    for (QDomElement e = document.documentElement().firstChildElement(kSection).firstChildElement(); !e.isNull();
         e = e.nextSiblingElement())
        keys << e.tagName() + u'=' + e.text();
    QCOMPARE(keys,
             QStringList({"Visible0=1", "Width0=50", "Alignment0=0", "Position0=0", "SortDirection0=0", "Sorted0=0",
                          "Visible1=0", "Width1=120", "Alignment1=1", "Position1=0", "SortDirection1=1", "Sorted1=1"}));
}

void TestColumnLayout::userChangesSurviveRestart() {
    const QString path = m_dir.filePath(QStringLiteral("restart.xml"));
    TListColumnLayout layout = LoadFrom(QStringLiteral("<Options/>"));
    {
        TLogView log;
        ApplyColumnLayout(&log.View, layout, 1);
        log.View.header()->moveSection(1, 0); // message column dragged to the left
        log.View.header()->resizeSection(0, 130);
        StoreColumnLayout(&log.View, layout, 1);
        TXMLStorage storage(path, m_prompts);
        QVERIFY(storage.Open());
        SaveColumnLayout(storage, layout, 1, kSection);
        QVERIFY(storage.Save());
    }
    TXMLStorage storage(path, m_prompts);
    QVERIFY(storage.Open());
    TListColumnLayout restored(2);
    LoadColumnLayout(storage, restored, 1, kSection);
    TLogView log;
    ApplyColumnLayout(&log.View, restored, 1);
    QCOMPARE(log.View.header()->visualIndex(1), 0);
    QCOMPARE(log.View.header()->visualIndex(0), 1);
    QCOMPARE(log.View.header()->sectionSize(0), 130);
}

void TestColumnLayout::hiddenColumnAndSortColumn() {
    TListColumnLayout layout = LoadFrom(QStringLiteral("<Options><LogColumns><Visible0>0</Visible0><Width0>90</Width0>"
                                                       "<Sorted1>1</Sorted1><SortDirection1>1</SortDirection1>"
                                                       "<Alignment1>2</Alignment1></LogColumns></Options>"));
    QVERIFY(!layout[0].Visible);
    TLogView log;
    ApplyColumnLayout(&log.View, layout, 1);
    const QHeaderView* header = log.View.header();
    QVERIFY(header->isSectionHidden(0));
    QCOMPARE(header->sortIndicatorSection(), 1);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(Qt::Alignment::fromInt(log.Model.headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt()),
             Qt::AlignHCenter | Qt::AlignVCenter);

    // Storing keeps the hidden column's width and the sort state.
    TListColumnLayout stored = layout;
    StoreColumnLayout(&log.View, stored, 1);
    QCOMPARE(stored[0].Width, 90);
    QVERIFY(!stored[0].Visible);
    QVERIFY(stored[1].Sorted && !stored[0].Sorted);
    QCOMPARE(stored[1].SortDirection, 1);
    QCOMPARE(stored[1].Alignment, 2);
    QCOMPARE(stored[1].Caption, QStringLiteral("Message"));

    // Showing it again brings back its width.
    layout[0].Visible = true;
    ApplyColumnLayout(&log.View, layout, 1);
    QCOMPARE(header->sectionSize(0), 90);
}

void TestColumnLayout::hostileValuesAreBounded() {
    const TListColumnLayout layout = LoadFrom(QStringLiteral(
        "<Options><LogColumns><Width0>2147483647</Width0><Position0>-7</Position0><Position1>99</Position1>"
        "<Width1>-3</Width1><Alignment0>9</Alignment0><SortDirection0>5</SortDirection0><Sorted0>1</Sorted0>"
        "</LogColumns></Options>"));
    TLogView log;
    ApplyColumnLayout(&log.View, layout, 1);
    ApplyColumnLayout(&log.View, layout, 5); // more entries asked for than the view has
    const QHeaderView* header = log.View.header();
    QVERIFY(header->sectionSize(0) <= 10000);
    QCOMPARE(header->visualIndex(0), 0);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QVERIFY(log.View.updatesEnabled());
}

QTEST_MAIN(TestColumnLayout)
#include "TestColumnLayout.moc"
