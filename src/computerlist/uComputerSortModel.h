#pragma once

#include <QSortFilterProxyModel>

class TComputerList;

// The computer list in tree display order: siblings sorted by the list's CompareNodes, kept sorted
// as captions change.
class TComputerSortModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit TComputerSortModel(TComputerList& list);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    TComputerList& m_list;
};
