#pragma once

#include <QList>
#include <QString>

class TXMLStorage;

// The saved layout of one column of a tree view.
struct TListColumnStore {
    bool Visible = true;
    QString Caption; // never stored in the options file
    int Width = 50;
    int Alignment = 0; // 0 left, 1 right, 2 centre
    int Position = 0;  // display position, 0 for the leftmost
    bool Sorted = false;
    int SortDirection = 0; // 0 ascending, 1 descending; meaningful only when Sorted
};

using TListColumnLayout = QList<TListColumnStore>;

// Reads entries 0 ... lastIndex from the section (keys Visible0, Width0, ..., Sorted<lastIndex>); the
// layout grows to lastIndex + 1 entries, captions stay.
void LoadColumnLayout(const TXMLStorage& storage, TListColumnLayout& layout, int lastIndex, const QString& section);
// Writes entries 0 ... lastIndex into the section, column by column.
void SaveColumnLayout(TXMLStorage& storage, const TListColumnLayout& layout, int lastIndex, const QString& section);
