#pragma once

#include <QMainWindow>

#include <memory>

class IEntryDialogs;
class IUserPrompts;
class QAction;
class QMenu;
class QTabWidget;
class TComputerList;
class TComputerTreeView;
struct TProgramOptions;

// The program's main window: the computer tree on the left, the action panel at the top right and
// the application log below it. It owns the computer list and carries the list's commands.
class TDormivaForm : public QMainWindow {
    Q_OBJECT
public:
    TDormivaForm(TProgramOptions& options, IUserPrompts& prompts, IEntryDialogs& dialogs, QWidget* parent = nullptr);
    ~TDormivaForm() override;

    TComputerList& ComputerList() { return *m_computerList; }
    TComputerTreeView* vstComputerList() const { return m_vstComputerList; }

    // Shows the window in front of the others, restored when it was minimized.
    void BringToFront();

    QAction* actComputerAdd;
    QAction* actGroupCreateNew;
    QAction* actEdit;
    QAction* actDelete;
    QAction* actDeleteAll;
    QAction* actExpandAll;
    QAction* actCollapseAll;
    QAction* actComputerUpdate;

private:
    void CreateActions();
    void CreateMenus();
    void UpdateActions();

    TProgramOptions& m_options;
    std::unique_ptr<TComputerList> m_computerList;
    QTabWidget* pcComputerlist;
    TComputerTreeView* m_vstComputerList;
    QMenu* pmComputerList;
};
