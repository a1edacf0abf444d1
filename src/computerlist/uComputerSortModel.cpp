#include "uComputerSortModel.h"

#include "uComputerList.h"

TComputerSortModel::TComputerSortModel(TComputerList& list) : m_list(list) {
    setSourceModel(&list);
    sort(0);
}

bool TComputerSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    return m_list.CompareNodes(m_list.GetItemOfNode(left), m_list.GetItemOfNode(right)) < 0;
}
