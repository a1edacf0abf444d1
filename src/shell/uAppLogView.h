#pragma once

#include <QList>
#include <QTreeView>

class QAction;
class QMenu;
class TAppLog;

// The log view (vstApplicationLog): the entries of a TAppLog with one image per level, multi-select
// with full-row selection, and the log's context menu with its copy and clear actions.
class TAppLogView : public QTreeView {
    Q_OBJECT
public:
    TAppLogView(TAppLog* log, QWidget* parent = nullptr);

    QAction* actLOGCopyRowToClipboard;
    QAction* actLOGCopyAllToClipboard;
    QAction* actClearAppLog;

    // Puts the given rows on the clipboard: the visible columns in their on-screen order.
    void CopyRowsToClipboard(const QList<int>& rows);

private:
    void UpdateActions();
    QList<int> SelectedRows() const;
    QList<int> AllRows() const;
    QList<int> VisibleColumns() const;

    TAppLog* m_log;
    QMenu* pmAppLog;
};
