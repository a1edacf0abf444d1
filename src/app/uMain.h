#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

class IConnectAsPrompt;
class IEntryDialogs;
class IFileDialogs;
class ISecretStore;
class IUserPrompts;
class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class TActionPanel;
class TAppLog;
class TAppLogView;
class TComputerList;
class TComputerListFile;
class TComputerTreeView;
class TDesktopToolDialogs;
class TPoolOfThreads;
class TQtTranslation;
class TRunController;
class TToolMenus;
struct TProgramOptions;

// The program's main window: the computer tree on the left, the action panel at the top right and
// the application log below it. It owns the computer list and carries the list's commands.
// The options must have been read before; at destruction the window leaves its placement, the
// list width and the log columns in them, for the caller to write back.
class TDormivaForm : public QMainWindow {
    Q_OBJECT
public:
    // secretStore: where the list's passwords may be kept instead of the file; none when there is no store.
    TDormivaForm(TProgramOptions& options, IUserPrompts& prompts, IEntryDialogs& dialogs, IConnectAsPrompt& connectAs,
                 IFileDialogs& fileDialogs, ISecretStore* secretStore = nullptr, QWidget* parent = nullptr);
    ~TDormivaForm() override;

    TComputerList& ComputerList() { return *m_computerList; }
    TComputerTreeView* vstComputerList() const { return m_vstComputerList; }
    TAppLog& AppLog() { return *m_appLog; }
    TAppLogView* vstApplicationLog() const { return m_vstApplicationLog; }
    TActionPanel* pnlAction() const { return m_pnlAction; }
    TToolMenus* ToolMenus() const { return m_toolMenus; }

    // Shows the window in front of the others, restored when it was minimized.
    void BringToFront();
    // After the options changed: the list's update timer takes the new interval and switch.
    void ApplyUpdateOptions();
    // Makes the named file of the language folder the language and translates every open window.
    void LanguageClick(const QString& fileName);
    // The message table, the list separator and the texts of every open window, from the language.
    void ReloadTexts();
    // An empty list leads to the add-computers wizard, after a question unless the options say not to ask.
    void AskWizardIfEmpty();
    // Asks about the wizard once, at the first activation of the window (the start calls it once shown).
    void FormActivate();
    bool FirstActivation = true;
    // Hot tracking of the tree and the log follows the system, as its own lists do.
    bool IsVistaOrLater = false;

    QAction* actComputerAdd;
    QAction* actGroupCreateNew;
    QAction* actEdit;
    QAction* actDelete;
    QAction* actDeleteAll;
    QAction* actExpandAll;
    QAction* actCollapseAll;
    QAction* actComputerUpdate;
    QAction* actComputerListWizard;
    QAction* actExecute;
    QAction* actStop;
    QAction* actComputerListImport;
    QAction* actComputerListExport;
    QAction* actCredentials;
    QAction* actPreferences;
    QAction* actExit;
    QAction* actAbout;
    QAction* actHelp;
    QAction* actHome;
    QAction* actSupport;
    QAction* actFeedback;
    QAction* actCheckForUpdates;
    QToolBar* tbMain;
    QMenu* mnChangeLang;

    QLabel* lblRunProgress;

protected:
    // Asks first during a run and about unsaved changes; a list that is not modified is saved
    // without asking. A run still going is abandoned when the window is destroyed.
    void closeEvent(QCloseEvent* event) override;
    // At the first showing, when the frame is known: the window with its frame goes on the screen.
    void showEvent(QShowEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    // An action that opens the maker's web page; hidden when the build names no host.
    QAction* MakeWebPageAction(const char* name, const QString& caption, const QString& page, const QIcon& icon);
    void BuildLanguageMenu();
    void UpdateActions();
    // The Execute and Stop buttons and the status bar follow the run.
    void UpdateRunState();
    void UpdateTitle();
    // Runs a command of the list file; its failure is shown, and false returned.
    bool RunListFileCommand(const std::function<void()>& command);
    void ApplyWindowPlacement();
    void KeepFrameOnScreen();
    void StoreWindowPlacement();

    TProgramOptions& m_options;
    IUserPrompts& m_prompts;
    IConnectAsPrompt& m_connectAs;
    IFileDialogs& m_fileDialogs;
    std::unique_ptr<TComputerList> m_computerList;
    std::unique_ptr<TComputerListFile> m_listFile;
    std::unique_ptr<TAppLog> m_appLog;
    // The run is destroyed after the pool, whose workers report to it until the pool is gone.
    std::unique_ptr<TRunController> m_run;
    std::unique_ptr<TPoolOfThreads> m_pool;
    std::unique_ptr<TDesktopToolDialogs> m_toolDialogs;
    TToolMenus* m_toolMenus = nullptr;
    std::unique_ptr<TQtTranslation> m_qtTranslation;
    TActionPanel* m_pnlAction;
    TAppLogView* m_vstApplicationLog;
    QTabWidget* pcComputerlist;
    TComputerTreeView* m_vstComputerList;
    QMenu* pmComputerList;
    bool m_placementChecked = false;
};
