#pragma once

#include "uListColumnStore.h"

class QTreeView;

// Rebuilds the view's columns 0 ... lastIndex from the layout: width (at least 50 pixels), visibility,
// display order and sort column. Caption and alignment go to the model as horizontal header data
// (Qt::DisplayRole, Qt::TextAlignmentRole); a model that keeps them shows them. The last visible
// column in display order takes the remaining width.
void ApplyColumnLayout(QTreeView* view, const TListColumnLayout& layout, int lastIndex);
// Copies the view's current columns 0 ... lastIndex into the layout. A hidden column keeps its stored
// width, and SortDirection changes only for the sort column.
void StoreColumnLayout(const QTreeView* view, TListColumnLayout& layout, int lastIndex);
