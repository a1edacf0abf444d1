#pragma once

#include "uCommandList.h"

#include <QDialog>

class IToolDialogs;
class IUserPrompts;
class QAction;
class QListWidget;

// Adds, edits, moves and removes the tools of a working copy of a list; OK hands the copy to the list,
// Cancel drops it.
class TDlgCommandListManage : public QDialog {
    Q_OBJECT
public:
    TDlgCommandListManage(QWidget* parent, const TCommandList& list, IToolDialogs& dialogs, IUserPrompts& prompts);

    const TCommandList& WorkingList() const { return m_working; }

    QListWidget* vstCommandList;
    QAction* actMoveUP;
    QAction* actMoveDown;
    QAction* actAddTool;
    QAction* actEditTool;
    QAction* actRemoveTool;

private:
    void UpdateActions();
    void Move(int step);
    void AddTool();
    void EditTool();
    void RemoveTool();
    void Focus(int row);
    static QString RowText(const TCommandListItem& tool);

    IToolDialogs& m_dialogs;
    IUserPrompts& m_prompts;
    TCommandList m_working;
};

// Runs the dialog over the list; on OK the list takes the edited tools and true is returned.
bool ManageCommandList(QWidget* parent, TCommandList& list, IToolDialogs& dialogs, IUserPrompts& prompts);
