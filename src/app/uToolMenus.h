#pragma once

#include "uCommandList.h"
#include "uDesktopToolShell.h"

#include <QObject>

class IConnectAsPrompt;
class IToolDialogs;
class IUserPrompts;
class QAction;
class QMenu;
class TAppLog;
class TComputerList;
struct TProgramOptions;

// The network and administrative tools with their submenus in the main menu and in the computer
// tree's popup menu. Tools run against the focused computer; "Managetools" opens the manage dialog.
class TToolMenus : public QObject {
    Q_OBJECT
public:
    // Adds the submenus at the end of both menus and reads the lists from the options file.
    TToolMenus(QMenu* mainMenu, QMenu* popupMenu, TComputerList& computers, const TProgramOptions& options,
               IToolDialogs& dialogs, IConnectAsPrompt& connectAs, IUserPrompts& prompts, TAppLog* log,
               QObject* parent);

    TCommandList& NetTools() { return m_netTools; }
    TCommandList& AdminTools() { return m_adminTools; }

    // Fills the four submenus anew in the current language.
    void BuildToolMenus();
    // Writes both lists into the options file.
    void SaveLists();
    // The macros of the focused computer; none when no computer has the focus.
    TToolMacros MakeToolMacros() const;

    // Enabled while a computer with a name has the focus; every tool entry follows it.
    QAction* actTools;
    QMenu* mnMainNetTools;
    QMenu* mnMainAdminTools;
    QMenu* mnPopupNetTools;
    QMenu* mnPopupAdminTools;

private:
    void BuildToolMenu(QMenu* menu, TCommandList& list);
    void ToolClick(TCommandList& list, int index);
    void UpdateToolsAction();
    void OpenShutdownDialog(const QString& computer);

    TComputerList& m_computers;
    const TProgramOptions& m_options;
    IToolDialogs& m_dialogs;
    IConnectAsPrompt& m_connectAs;
    IUserPrompts& m_prompts;
    TAppLog* m_log;
    TDesktopToolShell m_shell;
    TCommandList m_netTools{QStringLiteral("Nettools")};
    TCommandList m_adminTools{QStringLiteral("Admintools")};
};
