#include "uComputerTreeView.h"

#include "uComputerList.h"
#include "uStatusIconEngine.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// Draws the image that the list gives by index.
class TNodeImageDelegate : public QStyledItemDelegate {
public:
    TNodeImageDelegate(QList<QIcon> images, QObject* parent)
        : QStyledItemDelegate(parent), m_images(std::move(images)) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const int image = index.data(TComputerList::ImageIndexRole).toInt();
        if (image >= 0 && image < m_images.size()) {
            option->icon = m_images.at(image);
            option->features |= QStyleOptionViewItem::HasDecoration;
        }
    }

private:
    QList<QIcon> m_images;
};

// Only entries dragged within a computer tree are dropped; the drop moves the list's selection.
bool IsOurDrag(const QDropEvent* event) {
    return event->mimeData() && event->mimeData()->hasFormat(QLatin1String(TComputerList::EntriesMimeType));
}

// Above or below near the node's top or bottom edge (with the margin the item views draw), else on it.
TDropPosition DropPositionIn(const QRect& node, const QPoint& pos) {
    const int margin = std::clamp(qRound(node.height() / 5.5), 2, 12);
    if (pos.y() - node.top() < margin)
        return TDropPosition::Above;
    if (node.bottom() - pos.y() < margin)
        return TDropPosition::Below;
    return TDropPosition::On;
}

} // namespace

TComputerTreeView::TComputerTreeView(TComputerList& list, QWidget* parent) : QTreeView(parent), m_list(list) {
    setObjectName(QStringLiteral("vstComputerList"));
    setModel(list.ViewModel());
    setSelectionModel(list.SelectionModel());
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setItemDelegate(new TNodeImageDelegate(NodeImages(), this));

    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& node) {
        if (TPreObject* entry = m_list.GetItemOfNode(node); entry && entry->IsGroup())
            static_cast<TGroupObject*>(entry)->SetExpanded(true);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& node) {
        if (TPreObject* entry = m_list.GetItemOfNode(node); entry && entry->IsGroup())
            static_cast<TGroupObject*>(entry)->SetExpanded(false);
    });
    connect(&m_list, &TComputerList::ExpandedChanged, this, &QTreeView::setExpanded);
    QAbstractItemModel* viewModel = list.ViewModel();
    connect(viewModel, &QAbstractItemModel::rowsInserted, this, &TComputerTreeView::ApplyExpanded);
    connect(viewModel, &QAbstractItemModel::modelReset, this,
            [this] { ApplyExpanded({}, 0, model()->rowCount() - 1); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { scrollTo(current); });
    ApplyExpanded({}, 0, model()->rowCount() - 1);
}

QList<QIcon> TComputerTreeView::NodeImages() {
    using TKind = TStatusIconEngine::TKind;
    return {TStatusIconEngine::Icon(TKind::Group), TStatusIconEngine::Icon(TKind::Unreachable),
            TStatusIconEngine::Icon(TKind::Reachable), TStatusIconEngine::Icon(TKind::Unknown)};
}

void TComputerTreeView::ApplyExpanded(const QModelIndex& parent, int first, int last) {
    for (int row = first; row <= last; ++row) {
        const QModelIndex node = model()->index(row, 0, parent);
        TPreObject* entry = m_list.GetItemOfNode(node);
        if (!entry || !entry->IsGroup())
            continue;
        setExpanded(node, static_cast<TGroupObject*>(entry)->IsExpanded());
        ApplyExpanded(node, 0, model()->rowCount(node) - 1);
    }
}

void TComputerTreeView::keyboardSearch(const QString& search) {
    if (!m_searchTyped.isValid() || m_searchTyped.elapsed() > QApplication::keyboardInputInterval())
        m_searchText.clear();
    m_searchTyped.start();
    m_searchText += search;
    if (m_list.IncrementalSearch(m_searchText))
        scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
}

void TComputerTreeView::dataChanged(const QModelIndex&, const QModelIndex&, const QList<int>&) {
    // The item view would look each changed node up among all open nodes, one by one: seconds for a
    // pass over thousands of computers. Rows keep their height, so repainting what is shown is enough.
    viewport()->update();
}

void TComputerTreeView::dragMoveEvent(QDragMoveEvent* event) {
    QTreeView::dragMoveEvent(event); // scrolling and the drop indicator
    // The list decides; the item view alone would also refuse the selected nodes themselves.
    const QModelIndex target = indexAt(event->position().toPoint());
    if (IsOurDrag(event) && m_list.CanDropOn(m_list.GetItemOfNode(target))) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TComputerTreeView::dropEvent(QDropEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QModelIndex target = indexAt(pos);
    if (!IsOurDrag(event) || !target.isValid()) {
        event->ignore();
        return;
    }
    m_list.MoveItem(m_list.GetItemOfNode(target), DropPositionIn(visualRect(target), pos));
    // The list has moved the entries; nothing is left for the drag source to remove.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}
