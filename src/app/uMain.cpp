#include "uMain.h"

#include "CheckPrevious.h"
#include "DetectOS.h"
#include "FileInfo.h"
#include "LangChanger.h"
#include "UThrdUpdateComputerState.h"
#include "uActionPanel.h"
#include "uAppLog.h"
#include "uAppLogView.h"
#include "uComputerList.h"
#include "uComputerListFile.h"
#include "uComputerTreeView.h"
#include "uDesktopToolDialogs.h"
#include "uDlgAbout.h"
#include "uDlgAlternateCredentials.h"
#include "uDlgManual.h"
#include "uFormat.h"
#include "uIcmpNotice.h"
#include "uIcons.h"
#include "uProgramOptions.h"
#include "uQtTranslation.h"
#include "uRunController.h"
#include "uRunJob.h"
#include "uThreadPool.h"
#include "uToolMenus.h"
#include "uTranslateForm.h"
#include "uUserPrompts.h"
#include "uVirtualTreesColumnsUtil.h"
#include "uWebPages.h"
#include "uWindowPlacement.h"
#include "udlgOptions.h"
#include "udlgWizardComputerList.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QAction* MakeAction(QObject* parent, const char* name, const QString& caption) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction* MakeAction(QObject* parent, const char* name, const QString& caption, const QIcon& icon) {
    QAction* action = MakeAction(parent, name, caption);
    action->setIcon(icon);
    return action;
}

} // namespace

TDormivaForm::TDormivaForm(TProgramOptions& options, IUserPrompts& prompts, IEntryDialogs& dialogs,
                           IConnectAsPrompt& connectAs, IFileDialogs& fileDialogs, ISecretStore* secretStore,
                           QWidget* parent)
    : QMainWindow(parent), m_options(options), m_prompts(prompts), m_connectAs(connectAs), m_fileDialogs(fileDialogs),
      m_qtTranslation(std::make_unique<TQtTranslation>()) {
    setObjectName(QStringLiteral("DormivaForm"));
    setWindowTitle(QStringLiteral("Dormiva"));
    setWindowIcon(Icons::Application());
    IsVistaOrLater = IsWindowsVistaOrLater();
    ApplyWindowPlacement();
    m_appLog = std::make_unique<TAppLog>(m_options.SettingsFolder, &prompts);
    RouteIcmpUnavailableToLog(m_appLog.get());
    m_computerList = std::make_unique<TComputerList>(m_options, prompts, dialogs);
    m_listFile = std::make_unique<TComputerListFile>(*m_computerList, m_options, prompts, fileDialogs, secretStore);
    m_pool = std::make_unique<TPoolOfThreads>(m_options, RunJob);
    m_run = std::make_unique<TRunController>(*m_computerList, *m_pool, m_appLog.get(), m_options, prompts, connectAs);
    m_toolDialogs = std::make_unique<TDesktopToolDialogs>(this, m_options, prompts, fileDialogs);
    actExecute = MakeAction(this, "actExecute", QStringLiteral("Execute"));
    actExecute->setShortcut(Qt::CTRL | Qt::Key_Return);
    connect(actExecute, &QAction::triggered, this,
            [this] { m_run->Execute(m_pnlAction->SelectedAction(), m_pnlAction->Notice()); });
    actStop = MakeAction(this, "actStop", QStringLiteral("Stop"));
    actStop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    connect(actStop, &QAction::triggered, m_run.get(), &TRunController::Stop);
    connect(m_run.get(), &TRunController::RunChanged, this, &TDormivaForm::UpdateRunState);

    auto* split = new QSplitter(Qt::Horizontal, this);
    pcComputerlist = new QTabWidget(split);
    pcComputerlist->setObjectName(QStringLiteral("pcComputerlist"));
    pcComputerlist->setMinimumWidth(200);
    m_vstComputerList = new TComputerTreeView(*m_computerList, pcComputerlist);
    pcComputerlist->addTab(m_vstComputerList, QStringLiteral("Computers"));
    pcComputerlist->widget(0)->setObjectName(QStringLiteral("tsComputers"));

    auto* right = new QSplitter(Qt::Vertical, split);
    m_pnlAction = new TActionPanel(actExecute, actStop, right);
    auto* pnlLog = new QTabWidget(right);
    pnlLog->setObjectName(QStringLiteral("pnlLog"));
    auto* tsApplicationLog = new QWidget(pnlLog);
    tsApplicationLog->setObjectName(QStringLiteral("tsApplicationLog"));
    m_vstApplicationLog = new TAppLogView(m_appLog.get(), tsApplicationLog);
    auto* logLayout = new QVBoxLayout(tsApplicationLog);
    logLayout->setContentsMargins(0, 0, 0, 0);
    logLayout->addWidget(m_vstApplicationLog);
    pnlLog->addTab(tsApplicationLog, QStringLiteral("Application log"));
    // Hot tracking: the row under the mouse is highlighted, as the desktop's own lists do.
    for (QTreeView* view : std::initializer_list<QTreeView*>{m_vstComputerList, m_vstApplicationLog}) {
        view->setMouseTracking(IsVistaOrLater);
        view->viewport()->setAttribute(Qt::WA_Hover, IsVistaOrLater);
    }
    right->setStretchFactor(1, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({std::max(200, m_options.iComputerListWidth), 600});
    setCentralWidget(split);
    lblRunProgress = new QLabel(statusBar());
    lblRunProgress->setObjectName(QStringLiteral("lblRunProgress"));
    statusBar()->setObjectName(QStringLiteral("sbMain"));
    statusBar()->addWidget(lblRunProgress, 1);

    CreateActions();
    CreateMenus();
    BuildLanguageMenu();
    ReloadTexts();

    const QList<QIcon> images = TComputerTreeView::NodeImages();
    const QIcon idle = images.at(2);
    const QIcon busy = Icons::Themed(QStringLiteral("busy"));
    pcComputerlist->setTabIcon(0, idle);
    connect(m_computerList.get(), &TComputerList::OnUpdateStateStart, this,
            [this, busy] { pcComputerlist->setTabIcon(0, busy); });
    connect(m_computerList.get(), &TComputerList::OnUpdateStateDone, this,
            [this, idle] { pcComputerlist->setTabIcon(0, idle); });

    // The list's own signals: the sorted view model announces a removal before the list has made it.
    TComputerList* list = m_computerList.get();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(list, signal, this, &TDormivaForm::UpdateActions);
    connect(list, &QAbstractItemModel::modelReset, this, &TDormivaForm::UpdateActions);
    connect(list, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.isEmpty() || roles.contains(Qt::CheckStateRole))
                    UpdateActions();
            });
    connect(m_computerList->SelectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TDormivaForm::UpdateActions);
    // An unreadable list file is reported inside; the window goes on with an empty list.
    m_listFile->LoadAtStartUp();
    UpdateActions();

    ApplyColumnLayout(m_vstApplicationLog, m_options.LogColumns, LastLogColumn);
    m_vstApplicationLog->FitTimeColumn();
    m_computerList->SetStatePassFactory(TThrdUpdateComputerState::Factory(m_options));
    ApplyUpdateOptions();
    m_computerList->UpdateState();
}

TDormivaForm::~TDormivaForm() {
    m_run->Abandon();
    StoreColumnLayout(m_vstApplicationLog, m_options.LogColumns, LastLogColumn);
    m_toolMenus->SaveLists();
    m_options.iComputerListWidth = std::max(200, pcComputerlist->width());
    StoreWindowPlacement();
    // The tree goes before the list it shows.
    std::unique_ptr<QWidget> panels(takeCentralWidget());
}

void TDormivaForm::ApplyWindowPlacement() {
    if (m_options.MainWindowWidth > 0 && m_options.MainWindowHeight > 0) {
        const QRect stored(m_options.MainWindowLeft, m_options.MainWindowTop, m_options.MainWindowWidth,
                           m_options.MainWindowHeight);
        // Stored at another scale or on a screen that is gone, the window would open partly out of reach.
        const QScreen* screen = QGuiApplication::screenAt(stored.center());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        setGeometry(screen ? FitIntoScreen(stored, screen->availableGeometry()) : stored);
    }
    if (m_options.MainWindowState == 1)
        setWindowState(Qt::WindowMinimized);
    else if (m_options.MainWindowState == 2)
        setWindowState(Qt::WindowMaximized);
}

void TDormivaForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_placementChecked && windowState() == Qt::WindowNoState) {
        m_placementChecked = true;
        KeepFrameOnScreen();
    }
}

void TDormivaForm::KeepFrameOnScreen() {
    const QScreen* screen = this->screen();
    const QRect frame = frameGeometry();
    const QRect fitted = screen ? FitIntoScreen(frame, screen->availableGeometry()) : frame;
    if (fitted == frame)
        return;
    resize(size() - (frame.size() - fitted.size()));
    move(fitted.topLeft()); // a window's position is that of its frame
}

void TDormivaForm::StoreWindowPlacement() {
    const Qt::WindowStates state = windowState();
    m_options.MainWindowState = state & Qt::WindowMinimized ? 1 : state & Qt::WindowMaximized ? 2 : 0;
    // A minimized or maximized window comes back at its normal place when restored.
    const QRect bounds = m_options.MainWindowState == 0 || !normalGeometry().isValid() ? geometry() : normalGeometry();
    m_options.MainWindowLeft = bounds.left();
    m_options.MainWindowTop = bounds.top();
    m_options.MainWindowWidth = bounds.width();
    m_options.MainWindowHeight = bounds.height();
}

void TDormivaForm::closeEvent(QCloseEvent* event) {
    // The computers a run has not reached are logged when the window goes, never dropped silently.
    if (m_run->IsRunning() && m_prompts.Ask(Format(LangStr(QStringLiteral("sRunCloseAnyway")), {m_run->Pending()}),
                                            LangStr(QStringLiteral("sWarning")), TPromptButtons::YesNo,
                                            TPromptIcon::Warning) != TPromptResult::Yes) {
        event->ignore();
        return;
    }
    if (!m_computerList->Modified()) {
        // Check marks and expanded groups do not count as changes, yet they are kept.
        RunListFileCommand([this] { m_listFile->SaveUnmodifiedList(); });
        event->accept();
        return;
    }
    const TPromptResult answer =
        m_prompts.Ask(LangStr(QStringLiteral("sComputerListChangedSave")), LangStr(QStringLiteral("sWarning")),
                      TPromptButtons::YesNoCancel, TPromptIcon::Warning);
    // A list that could not be saved keeps the window open, so the changes are not lost.
    if (answer == TPromptResult::Cancel ||
        (answer == TPromptResult::Yes && !RunListFileCommand([this] { m_listFile->SaveList(); })))
        event->ignore();
    else
        event->accept();
}

bool TDormivaForm::RunListFileCommand(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const EListFileError& error) {
        m_prompts.Ask(error.Message(), LangStr(QStringLiteral("sError")), TPromptButtons::OK, TPromptIcon::Error);
        return false;
    }
}

void TDormivaForm::ApplyUpdateOptions() {
    m_computerList->SetUpdateEnabled(false);
    m_computerList->SetUpdateInterval(m_options.IntervalUpdateComputerList);
    m_computerList->SetUpdateEnabled(m_options.AutoUpdateComputerList);
}

void TDormivaForm::UpdateTitle() {
    const QString title = GetVersionString(QStringLiteral("ProductName")) + u' ' + GetVersionShort();
    QApplication::setApplicationDisplayName(title);
    setWindowTitle(title);
}

void TDormivaForm::BuildLanguageMenu() {
    mnChangeLang->clear();
    auto* languages = new QActionGroup(mnChangeLang);
    const QStringList files =
        QDir(m_options.LanguageFolder).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Unsorted);
    for (const QString& file : files) {
        QAction* item = mnChangeLang->addAction(file);
        item->setCheckable(true);
        item->setChecked(file == m_options.DefaultLang);
        languages->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { LanguageClick(QString(item->text()).remove(u'&')); });
    }
}

void TDormivaForm::LanguageClick(const QString& fileName) {
    m_options.DefaultLang = fileName;
    for (QAction* item : mnChangeLang->actions())
        if (QString(item->text()).remove(u'&') == fileName)
            item->setChecked(true);
    if (const auto changer = CurrentLangChanger())
        changer->SetLangFile(m_options.LanguageFolder + fileName);
    ReloadTexts();
}

void TDormivaForm::ReloadTexts() {
    LoadMessageTable();
    if (const auto changer = CurrentLangChanger())
        changer->SetSeparator(QStringLiteral(","));
    // Qt's catalogue first: its change event resets the texts of standard buttons, which ours then set.
    m_qtTranslation->Apply(TQtTranslation::CurrentLanguageCode());
    TranslateForm(nullptr);
    m_pnlAction->ReloadActionNames();
    lblRunProgress->setText(m_run->ProgressText());
    TranslateLogColumns(m_options.LogColumns);
    for (int i = 0; i <= LastLogColumn; ++i)
        m_appLog->setHeaderData(i, Qt::Horizontal, m_options.LogColumns[i].Caption);
    m_toolMenus->BuildToolMenus();
    // The form's caption from the language file would stand beside the product name and version.
    UpdateTitle();
}

void TDormivaForm::CreateActions() {
    actComputerAdd = MakeAction(this, "actComputerAdd", QStringLiteral("Add computer"),
                                Icons::Themed(QStringLiteral("computer-add")));
    actComputerAdd->setShortcut(Qt::Key_Insert);
    connect(actComputerAdd, &QAction::triggered, m_computerList.get(), &TComputerList::AddComputerWithDialog);
    actGroupCreateNew = MakeAction(this, "actGroupCreateNew", QStringLiteral("Create new group"),
                                   Icons::Themed(QStringLiteral("group-new"), QStringLiteral("folder-new")));
    actGroupCreateNew->setShortcut(Qt::CTRL | Qt::Key_Insert);
    connect(actGroupCreateNew, &QAction::triggered, m_computerList.get(), &TComputerList::AddGroupWithDialog);
    actEdit = MakeAction(this, "actEdit", QStringLiteral("Edit"), Icons::Themed(QStringLiteral("edit")));
    connect(actEdit, &QAction::triggered, m_computerList.get(), &TComputerList::EditSelected);
    actDelete = MakeAction(this, "actDelete", QStringLiteral("Delete"),
                           Icons::Themed(QStringLiteral("delete"), QStringLiteral("edit-delete")));
    actDelete->setShortcut(Qt::Key_Delete);
    connect(actDelete, &QAction::triggered, m_computerList.get(), &TComputerList::DeleteSelected);
    actDeleteAll = MakeAction(this, "actDeleteAll", QStringLiteral("Delete all"));
    connect(actDeleteAll, &QAction::triggered, m_computerList.get(), &TComputerList::DeleteAll);
    actExpandAll = MakeAction(this, "actExpandAll", QStringLiteral("Expand all groups"));
    connect(actExpandAll, &QAction::triggered, m_computerList.get(), &TComputerList::ExpandAll);
    actCollapseAll = MakeAction(this, "actCollapseAll", QStringLiteral("Collapse all groups"));
    connect(actCollapseAll, &QAction::triggered, m_computerList.get(), &TComputerList::CollapseAll);
    actComputerUpdate = MakeAction(this, "actComputerUpdate", QStringLiteral("Update computers"));
    actComputerUpdate->setShortcut(Qt::Key_F5);
    connect(actComputerUpdate, &QAction::triggered, m_computerList.get(), &TComputerList::UpdateState);
    actComputerListWizard = MakeAction(this, "actComputerListWizard", QStringLiteral("Add computers wizard"),
                                       Icons::Themed(QStringLiteral("wizard")));
    connect(actComputerListWizard, &QAction::triggered, this,
            [this] { ExecuteComputerListWizard(this, *m_computerList, m_options, m_prompts, m_fileDialogs); });
    actComputerListImport = MakeAction(this, "actComputerListImport", QStringLiteral("Import"));
    connect(actComputerListImport, &QAction::triggered, this,
            [this] { RunListFileCommand([this] { m_listFile->ImportList(); }); });
    actComputerListExport = MakeAction(this, "actComputerListExport", QStringLiteral("Export"));
    connect(actComputerListExport, &QAction::triggered, this,
            [this] { RunListFileCommand([this] { m_listFile->ExportList(); }); });
    actCredentials = MakeAction(this, "actCredentials", QStringLiteral("Default credentials"),
                                Icons::Themed(QStringLiteral("credentials"), QStringLiteral("dialog-password")));
    connect(actCredentials, &QAction::triggered, this, [this] {
        ExecuteDefaultCredentialsDialog(this, m_prompts, m_options.DefaultUserConnectAs, m_options.DefaultUserName,
                                        m_options.DefaultUserPassword);
    });
    actPreferences = MakeAction(this, "actPreferences", QStringLiteral("Preferences..."),
                                Icons::Themed(QStringLiteral("preferences"), QStringLiteral("preferences-system")));
    connect(actPreferences, &QAction::triggered, this, [this] {
        ShowOptionsDialog(this, m_options, m_prompts);
        ApplyUpdateOptions();
        UpdateTitle();
    });
    actExit = MakeAction(this, "actExit", QStringLiteral("Exit"));
    connect(actExit, &QAction::triggered, this, &QWidget::close);
    actAbout = MakeAction(this, "actAbout", QStringLiteral("About..."),
                          Icons::Themed(QStringLiteral("about"), QStringLiteral("help-about")));
    connect(actAbout, &QAction::triggered, this, [this] {
        ShowAboutBox(this, WebPageUrl(m_options.WebHost, QStringLiteral("home"), m_options.WebQuerySuffix));
        UpdateTitle();
    });
    actHelp = MakeAction(this, "actHelp", QStringLiteral("Online help"),
                         Icons::Themed(QStringLiteral("help"), QStringLiteral("help-contents")));
    actHelp->setShortcut(QKeySequence::HelpContents);
    connect(actHelp, &QAction::triggered, this, [this] {
        auto* manual = new TDlgManual(this);
        manual->setAttribute(Qt::WA_DeleteOnClose);
        TranslateForm(manual);
        manual->show();
    });
    actHome = MakeWebPageAction("actHome", QStringLiteral("Homepage"), QStringLiteral("home"),
                                Icons::Themed(QStringLiteral("home"), QStringLiteral("go-home")));
    actSupport = MakeWebPageAction("actSupport", QStringLiteral("Technical support"), QStringLiteral("support"),
                                   Icons::Themed(QStringLiteral("support")));
    actFeedback = MakeWebPageAction("actFeedback", QStringLiteral("Feedback"), QStringLiteral("feedback"),
                                    Icons::Themed(QStringLiteral("feedback")));
    actCheckForUpdates =
        MakeWebPageAction("actCheckForUpdates", QStringLiteral("Check for updates..."), QStringLiteral("update"),
                          Icons::Themed(QStringLiteral("update"), QStringLiteral("system-software-update")));
    actExit->setShortcut(Qt::CTRL | Qt::Key_Q);
    actComputerListWizard->setShortcut(Qt::CTRL | Qt::Key_N);
    actPreferences->setShortcut(Qt::CTRL | Qt::Key_Comma);
    actComputerListImport->setShortcut(Qt::CTRL | Qt::Key_O);
    actEdit->setShortcut(Qt::Key_F2);

    // The keys of the tree's context menu act while the tree has the focus.
    for (QAction* action : {actComputerAdd, actGroupCreateNew, actEdit, actDelete, actComputerUpdate}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_vstComputerList->addAction(action);
    }
}

void TDormivaForm::CreateMenus() {
    QMenu* mnFile = menuBar()->addMenu(QStringLiteral("File"));
    mnFile->setObjectName(QStringLiteral("mnFile"));
    mnFile->addActions({actComputerListImport, actComputerListExport});
    mnFile->addSeparator();
    mnFile->addActions({actCredentials, actPreferences});
    mnChangeLang = mnFile->addMenu(QStringLiteral("Language"));
    mnChangeLang->setObjectName(QStringLiteral("mnChangeLang"));
    mnFile->addSeparator();
    mnFile->addAction(actExit);
    QMenu* mnEdit = menuBar()->addMenu(QStringLiteral("Edit"));
    mnEdit->setObjectName(QStringLiteral("mnEdit"));
    mnEdit->addActions({actGroupCreateNew, actComputerAdd, actEdit, actDelete, actDeleteAll});
    mnEdit->addSeparator();
    mnEdit->addAction(actComputerListWizard);
    QMenu* mnComputers = menuBar()->addMenu(QStringLiteral("Computers"));
    mnComputers->setObjectName(QStringLiteral("mnComputers"));
    mnComputers->addActions({actExpandAll, actCollapseAll, actComputerUpdate});
    QMenu* mnHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnHelp->setObjectName(QStringLiteral("mnHelp"));
    mnHelp->addAction(actHelp);
    mnHelp->addSeparator();
    mnHelp->addActions({actHome, actSupport, actFeedback, actCheckForUpdates});
    mnHelp->addSeparator();
    mnHelp->addAction(actAbout);

    tbMain = addToolBar(QStringLiteral("Toolbar"));
    tbMain->setObjectName(QStringLiteral("tbMain"));
    tbMain->addActions({actComputerListWizard, actGroupCreateNew, actComputerAdd, actEdit, actDelete});
    tbMain->addSeparator();
    tbMain->addActions({actCredentials, actPreferences});
    tbMain->addSeparator();
    tbMain->addActions({actHelp, actHome, actAbout});

    pmComputerList = new QMenu(this);
    pmComputerList->setObjectName(QStringLiteral("pmComputerList"));
    pmComputerList->addActions({actComputerAdd, actGroupCreateNew, actEdit, actDelete, actDeleteAll});
    pmComputerList->addSeparator();
    pmComputerList->addAction(actComputerUpdate);
    m_toolMenus = new TToolMenus(mnComputers, pmComputerList, *m_computerList, m_options, *m_toolDialogs, m_connectAs,
                                 m_prompts, m_appLog.get(), this);
    m_vstComputerList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_vstComputerList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmComputerList->popup(m_vstComputerList->viewport()->mapToGlobal(pos)); });
}

void TDormivaForm::UpdateActions() {
    const bool selection = m_computerList->HasSelection();
    const bool items = m_computerList->HasItems();
    actEdit->setEnabled(selection);
    actDelete->setEnabled(selection);
    for (QAction* action : {actDeleteAll, actExpandAll, actCollapseAll, actComputerUpdate})
        action->setEnabled(items);
    actExecute->setEnabled(!m_run->IsRunning() && m_run->HasCheckedNode());
}

void TDormivaForm::UpdateRunState() {
    m_pnlAction->SetRunning(m_run->IsRunning());
    lblRunProgress->setText(m_run->ProgressText());
    UpdateActions();
}

QAction* TDormivaForm::MakeWebPageAction(const char* name, const QString& caption, const QString& page,
                                         const QIcon& icon) {
    QAction* action = MakeAction(this, name, caption, icon);
    const QUrl url = WebPageUrl(m_options.WebHost, page, m_options.WebQuerySuffix);
    action->setVisible(!url.isEmpty());
    connect(action, &QAction::triggered, this, [url] { QDesktopServices::openUrl(url); });
    return action;
}

void TDormivaForm::FormActivate() {
    if (!FirstActivation)
        return;
    FirstActivation = false;
    // After the activation has ended: the wizard is a modal window of its own.
    QMetaObject::invokeMethod(this, &TDormivaForm::AskWizardIfEmpty, Qt::QueuedConnection);
}

void TDormivaForm::AskWizardIfEmpty() {
    if (m_computerList->HasItems())
        return;
    if (!m_options.DontShowAskWizardIfEmpty &&
        m_prompts.Ask(LangStr(QStringLiteral("sRunWizardListEmpty")), LangStr(QStringLiteral("sWarning")),
                      TPromptButtons::YesNo, TPromptIcon::Warning) != TPromptResult::Yes)
        return;
    actComputerListWizard->trigger();
}

void TDormivaForm::BringToFront() {
    const bool minimized = isMinimized();
    if (minimized)
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    qCInfo(lcInstance) << "window raised, was minimized:" << minimized;
}
