#pragma once

#include <QMainWindow>

#include <memory>

class IConnectAsPrompt;
class IEntryDialogs;
class IUserPrompts;
class QAction;
class QMenu;
class QTabWidget;
class TActionPanel;
class TAppLog;
class TAppLogView;
class TComputerList;
class TComputerTreeView;
class TPoolOfThreads;
class TRunController;
struct TProgramOptions;

// The program's main window: the computer tree on the left, the action panel at the top right and
// the application log below it. It owns the computer list and carries the list's commands.
class TDormivaForm : public QMainWindow {
    Q_OBJECT
public:
    TDormivaForm(TProgramOptions& options, IUserPrompts& prompts, IEntryDialogs& dialogs, IConnectAsPrompt& connectAs,
                 QWidget* parent = nullptr);
    ~TDormivaForm() override;

    TComputerList& ComputerList() { return *m_computerList; }
    TComputerTreeView* vstComputerList() const { return m_vstComputerList; }
    TAppLog& AppLog() { return *m_appLog; }
    TAppLogView* vstApplicationLog() const { return m_vstApplicationLog; }
    TActionPanel* pnlAction() const { return m_pnlAction; }

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
    QAction* actExecute;

private:
    void CreateActions();
    void CreateMenus();
    void UpdateActions();

    TProgramOptions& m_options;
    std::unique_ptr<TComputerList> m_computerList;
    std::unique_ptr<TAppLog> m_appLog;
    // The run is destroyed after the pool, whose workers report to it until the pool is gone.
    std::unique_ptr<TRunController> m_run;
    std::unique_ptr<TPoolOfThreads> m_pool;
    TActionPanel* m_pnlAction;
    TAppLogView* m_vstApplicationLog;
    QTabWidget* pcComputerlist;
    TComputerTreeView* m_vstComputerList;
    QMenu* pmComputerList;
};
