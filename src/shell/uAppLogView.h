#pragma once

#include <QList>
#include <QTreeView>

class QAction;
class QMenu;
class TAppLog;

// The log view (vstApplicationLog): the entries of a TAppLog with one image per level, multi-select
// with full-row selection, and the log's context menu with its copy and clear actions. A message of
// several lines shows whole in a taller row; the time column grows to fit its texts.
class TAppLogView : public QTreeView {
    Q_OBJECT
public:
    TAppLogView(TAppLog* log, QWidget* parent = nullptr);

    QAction* actLOGCopyRowToClipboard;
    QAction* actLOGCopyAllToClipboard;
    QAction* actClearAppLog;

    // Puts the given rows on the clipboard: the visible columns in their on-screen order.
    void CopyRowsToClipboard(const QList<int>& rows);
    // Widens the time column to its caption and the newest entry's time; a wider column stays as it is.
    void FitTimeColumn();

private:
    void UpdateActions();
    QList<int> SelectedRows() const;
    QList<int> AllRows() const;
    QList<int> VisibleColumns() const;

    TAppLog* m_log;
    QMenu* pmAppLog;
};
