#include "uAppLogView.h"

#include "uAppLog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <numeric>

namespace {

// Draws the level image (ilAppLog) that the model names by index in the time column.
class TLevelImageDelegate : public QStyledItemDelegate {
public:
    explicit TLevelImageDelegate(QObject* parent) : QStyledItemDelegate(parent) {
        const QStyle* style = QApplication::style();
        m_images = {style->standardIcon(QStyle::SP_DialogApplyButton),
                    style->standardIcon(QStyle::SP_MessageBoxWarning),
                    style->standardIcon(QStyle::SP_MessageBoxInformation),
                    style->standardIcon(QStyle::SP_MessageBoxCritical), style->standardIcon(QStyle::SP_BrowserStop)};
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const int image = index.data(TAppLog::ImageIndexRole).toInt();
        if (image < 0 || image >= m_images.size())
            return;
        option->icon = m_images.at(image);
        option->features |= QStyleOptionViewItem::HasDecoration;
        const int size = QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize);
        option->decorationSize = QSize(size, size);
    }

    // Line breaks of language texts come as CR LF; the item view would draw the CR as a glyph.
    QString displayText(const QVariant& value, const QLocale& locale) const override {
        if (value.typeId() == QMetaType::QString)
            return QStyledItemDelegate::displayText(value.toString().remove(u'\r'), locale);
        return QStyledItemDelegate::displayText(value, locale);
    }

private:
    QList<QIcon> m_images;
};

QAction* MakeAction(const QString& name, const QString& caption, QObject* parent) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(name);
    return action;
}

} // namespace

TAppLogView::TAppLogView(TAppLog* log, QWidget* parent) : QTreeView(parent), m_log(log) {
    setObjectName(QStringLiteral("vstApplicationLog"));
    setModel(log);
    setItemDelegate(new TLevelImageDelegate(this));
    setRootIsDecorated(false);
    setUniformRowHeights(false); // multi-line messages get taller rows
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(true);

    actLOGCopyRowToClipboard =
        MakeAction(QStringLiteral("actLOGCopyRowToClipboard"), tr("Copy row to clipboard"), this);
    actLOGCopyAllToClipboard =
        MakeAction(QStringLiteral("actLOGCopyAllToClipboard"), tr("Copy all to clipboard"), this);
    actClearAppLog = MakeAction(QStringLiteral("actClearAppLog"), tr("Clear log"), this);
    connect(actLOGCopyRowToClipboard, &QAction::triggered, this, [this] { CopyRowsToClipboard(SelectedRows()); });
    connect(actLOGCopyAllToClipboard, &QAction::triggered, this, [this] { CopyRowsToClipboard(AllRows()); });
    connect(actClearAppLog, &QAction::triggered, m_log, &TAppLog::Clear);

    pmAppLog = new QMenu(this);
    pmAppLog->setObjectName(QStringLiteral("pmAppLog"));
    pmAppLog->addAction(actLOGCopyRowToClipboard);
    pmAppLog->addAction(actLOGCopyAllToClipboard);
    pmAppLog->addSeparator();
    pmAppLog->addAction(actClearAppLog);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmAppLog->popup(viewport()->mapToGlobal(pos)); });

    connect(m_log, &QAbstractItemModel::rowsInserted, this, &TAppLogView::UpdateActions);
    connect(m_log, &QAbstractItemModel::rowsInserted, this, &TAppLogView::FitTimeColumn);
    connect(m_log, &QAbstractItemModel::headerDataChanged, this, &TAppLogView::FitTimeColumn);
    connect(m_log, &QAbstractItemModel::rowsRemoved, this, &TAppLogView::UpdateActions);
    connect(m_log, &QAbstractItemModel::modelReset, this, &TAppLogView::UpdateActions);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TAppLogView::UpdateActions);
    UpdateActions();
}

void TAppLogView::UpdateActions() {
    const bool hasRows = m_log->rowCount() > 0;
    actLOGCopyRowToClipboard->setEnabled(selectionModel()->hasSelection());
    actLOGCopyAllToClipboard->setEnabled(hasRows);
    actClearAppLog->setEnabled(hasRows);
}

void TAppLogView::FitTimeColumn() {
    constexpr int time = 0;
    if (header()->isSectionHidden(time))
        return;
    // Entries arrive at the top: the newest row is the only one that may not fit yet.
    const int newest = m_log->rowCount() > 0 ? sizeHintForIndex(m_log->index(0, time)).width() : 0;
    const int content = std::max(newest, header()->sectionSizeHint(time));
    if (header()->sectionSize(time) < content)
        header()->resizeSection(time, content);
}

void TAppLogView::CopyRowsToClipboard(const QList<int>& rows) {
    QApplication::clipboard()->setText(m_log->CopyRowsAsText(rows, VisibleColumns()));
}

QList<int> TAppLogView::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<int> TAppLogView::AllRows() const {
    QList<int> rows(m_log->rowCount());
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

QList<int> TAppLogView::VisibleColumns() const {
    QList<int> columns;
    for (int visual = 0; visual < header()->count(); ++visual) {
        const int logical = header()->logicalIndex(visual);
        if (!header()->isSectionHidden(logical))
            columns.append(logical);
    }
    return columns;
}
