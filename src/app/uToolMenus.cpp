#include "uToolMenus.h"

#include "LangChanger.h"
#include "uComputerList.h"
#include "uCredentials.h"
#include "uProgramOptions.h"
#include "uToolDialogs.h"
#include "uUserPrompts.h"

#include <QAction>
#include <QMenu>

#include <exception>

namespace {

// Menus read "&" as the mark of a shortcut key; a tool's name shows as it is written.
QString MenuCaption(const QString& key) {
    return GetTranslation(key).replace(u'&', QStringLiteral("&&"));
}

QMenu* AddToolMenu(QMenu* menu, const char* name) {
    QMenu* submenu = menu->addMenu(QString());
    submenu->setObjectName(QLatin1String(name));
    return submenu;
}

} // namespace

TToolMenus::TToolMenus(QMenu* mainMenu, QMenu* popupMenu, TComputerList& computers, const TProgramOptions& options,
                       IToolDialogs& dialogs, IConnectAsPrompt& connectAs, IUserPrompts& prompts, TAppLog* log,
                       QObject* parent)
    : QObject(parent), m_computers(computers), m_options(options), m_dialogs(dialogs), m_connectAs(connectAs),
      m_prompts(prompts), m_log(log), m_shell([this](const QString& computer) { OpenShutdownDialog(computer); }) {
    actTools = new QAction(QStringLiteral("Tools"), this);
    actTools->setObjectName(QStringLiteral("actTools"));
    mainMenu->addSeparator();
    mnMainNetTools = AddToolMenu(mainMenu, "mnMainNetTools");
    mnMainAdminTools = AddToolMenu(mainMenu, "mnMainAdminTools");
    popupMenu->addSeparator();
    mnPopupNetTools = AddToolMenu(popupMenu, "mnPopupNetTools");
    mnPopupAdminTools = AddToolMenu(popupMenu, "mnPopupAdminTools");

    // Without an options file (a window built for a test) there is nothing to read or write.
    if (!m_options.OptionsFile.isEmpty()) {
        m_netTools.LoadFromFile(m_options.OptionsFile, m_prompts);
        m_adminTools.LoadFromFile(m_options.OptionsFile, m_prompts);
    }

    connect(m_computers.SelectionModel(), &QItemSelectionModel::currentChanged, this, &TToolMenus::UpdateToolsAction);
    connect(&m_computers, &QAbstractItemModel::rowsRemoved, this, &TToolMenus::UpdateToolsAction);
    connect(&m_computers, &QAbstractItemModel::modelReset, this, &TToolMenus::UpdateToolsAction);
    connect(&m_computers, &QAbstractItemModel::dataChanged, this, &TToolMenus::UpdateToolsAction);
    UpdateToolsAction();
    BuildToolMenus();
}

void TToolMenus::SaveLists() {
    if (m_options.OptionsFile.isEmpty())
        return;
    m_netTools.SaveToFile(m_options.OptionsFile, m_prompts);
    m_adminTools.SaveToFile(m_options.OptionsFile, m_prompts);
}

void TToolMenus::BuildToolMenus() {
    BuildToolMenu(mnMainNetTools, m_netTools);
    BuildToolMenu(mnMainAdminTools, m_adminTools);
    BuildToolMenu(mnPopupNetTools, m_netTools);
    BuildToolMenu(mnPopupAdminTools, m_adminTools);
}

void TToolMenus::BuildToolMenu(QMenu* menu, TCommandList& list) {
    menu->setTitle(MenuCaption(list.ListName()));
    // The entry that asked for the rebuild may still be sending its signal.
    for (QAction* old : menu->actions()) {
        menu->removeAction(old);
        old->deleteLater();
    }
    for (int i = 0; i < list.Count(); ++i) {
        QAction* entry = menu->addAction(MenuCaption(list.Items()[i].Name));
        entry->setEnabled(actTools->isEnabled());
        connect(actTools, &QAction::enabledChanged, entry, &QAction::setEnabled);
        connect(entry, &QAction::triggered, this, [this, &list, i] { ToolClick(list, i); });
    }
    menu->addSeparator();
    QAction* manage = menu->addAction(MenuCaption(QStringLiteral("Managetools")));
    connect(manage, &QAction::triggered, this, [this, &list] { ToolClick(list, -1); });
}

void TToolMenus::ToolClick(TCommandList& list, int index) {
    try {
        if (index < 0) {
            m_dialogs.ManageCommandList(list);
            BuildToolMenus();
            return;
        }
        list.RunCommand(index, MakeToolMacros(), m_shell, m_log);
    } catch (const std::exception& error) {
        m_prompts.Ask(QString::fromLocal8Bit(error.what()), LangStr(QStringLiteral("sError")), TPromptButtons::OK,
                      TPromptIcon::Error);
    }
}

TToolMacros TToolMenus::MakeToolMacros() const {
    return ::MakeToolMacros(m_computers.GetFocusedComputerName());
}

void TToolMenus::UpdateToolsAction() {
    actTools->setEnabled(!m_computers.GetFocusedComputerName().isEmpty());
}

// The computer's own credentials, as a run would use them; only an empty result is the current user.
void TToolMenus::OpenShutdownDialog(const QString& computer) {
    const TComputerObject* focused = m_computers.GetFocusedComputer();
    const TResolvedCredentials credentials =
        ResolveCredentials(focused && focused->Name() == computer ? focused : nullptr, m_options, m_connectAs);
    if (!credentials.Success)
        return;
    m_dialogs.ExecuteShutdownDialog(computer, credentials.UserName, credentials.Password, 0);
}
