#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QTreeView>

class TComputerList;

// The computer tree (vstComputerList): shows a computer list sorted, with tri-state check boxes,
// multiple selection, incremental search over all nodes and drag-and-drop moves. Selection and focus
// are the list's; the expanded state of groups is kept in step with the list both ways.
class TComputerTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TComputerTreeView(TComputerList& list, QWidget* parent = nullptr);

    // The images by index: group, computer not reachable, computer reachable, computer not checked yet.
    static QList<QIcon> NodeImages();

    void keyboardSearch(const QString& search) override;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Opens and closes the nodes below parent (all with an invalid parent) as their groups say.
    void ApplyExpanded(const QModelIndex& parent, int first, int last);

    TComputerList& m_list;
    QString m_searchText;
    QElapsedTimer m_searchTyped;
};
