#include "uVirtualTreesColumnsUtil.h"

#include <QHeaderView>
#include <QScopeGuard>
#include <QTreeView>

#include <algorithm>
#include <numeric>

namespace {

constexpr int kMinimumWidth = 50;
// A hand-edited width beyond this is taken as a mistake, not as a wish for a huge column.
constexpr int kMaximumWidth = 10000;

Qt::Alignment ToQtAlignment(int alignment) {
    switch (alignment) {
    case 1:
        return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

int FromQtAlignment(Qt::Alignment alignment) {
    if (alignment & Qt::AlignRight)
        return 1;
    if (alignment & Qt::AlignHCenter)
        return 2;
    return 0;
}

int ColumnCount(const QHeaderView* header, const TListColumnLayout& layout, int lastIndex) {
    return std::max(0, std::min({lastIndex + 1, int(layout.size()), header->count()}));
}

} // namespace

void ApplyColumnLayout(QTreeView* view, const TListColumnLayout& layout, int lastIndex) {
    QHeaderView* header = view->header();
    QAbstractItemModel* model = view->model();
    const int count = ColumnCount(header, layout, lastIndex);
    const bool updatesWereEnabled = view->updatesEnabled();
    view->setUpdatesEnabled(false);
    const auto resumeUpdates = qScopeGuard([&] { view->setUpdatesEnabled(updatesWereEnabled); });

    header->setStretchLastSection(false);
    header->setMinimumSectionSize(kMinimumWidth);
    QList<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return layout[a].Position < layout[b].Position; });
    for (int visual = 0; visual < count; ++visual)
        header->moveSection(header->visualIndex(order[visual]), visual);

    int sortColumn = -1;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    for (int i = 0; i < count; ++i) {
        const TListColumnStore& column = layout[i];
        if (model) {
            model->setHeaderData(i, Qt::Horizontal, column.Caption, Qt::DisplayRole);
            model->setHeaderData(i, Qt::Horizontal, ToQtAlignment(column.Alignment).toInt(), Qt::TextAlignmentRole);
        }
        header->setSectionHidden(i, false);
        header->resizeSection(i, std::clamp(column.Width, kMinimumWidth, kMaximumWidth));
        header->setSectionHidden(i, !column.Visible);
        if (column.Sorted) {
            sortColumn = i;
            sortOrder = column.SortDirection == 1 ? Qt::DescendingOrder : Qt::AscendingOrder;
        }
    }
    header->setSortIndicator(sortColumn, sortOrder);
    if (sortColumn >= 0)
        header->setSortIndicatorShown(true);
    header->setStretchLastSection(true);
}

void StoreColumnLayout(const QTreeView* view, TListColumnLayout& layout, int lastIndex) {
    const QHeaderView* header = view->header();
    const QAbstractItemModel* model = view->model();
    if (layout.size() <= lastIndex)
        layout.resize(lastIndex + 1);
    const int count = ColumnCount(header, layout, lastIndex);
    for (int i = 0; i < count; ++i) {
        TListColumnStore& column = layout[i];
        if (model) {
            column.Caption = model->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
            column.Alignment = FromQtAlignment(
                Qt::Alignment::fromInt(model->headerData(i, Qt::Horizontal, Qt::TextAlignmentRole).toInt()));
        }
        column.Visible = !header->isSectionHidden(i);
        if (column.Visible)
            column.Width = header->sectionSize(i);
        column.Position = header->visualIndex(i);
        column.Sorted = header->sortIndicatorSection() == i;
        if (column.Sorted)
            column.SortDirection = header->sortIndicatorOrder() == Qt::DescendingOrder ? 1 : 0;
    }
}
