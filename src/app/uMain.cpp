#include "uMain.h"

#include "CheckPrevious.h"
#include "UThrdUpdateComputerState.h"
#include "uActionPanel.h"
#include "uAppLog.h"
#include "uAppLogView.h"
#include "uComputerList.h"
#include "uComputerTreeView.h"
#include "uIcmpNotice.h"
#include "uProgramOptions.h"
#include "uRunController.h"
#include "uRunJob.h"
#include "uThreadPool.h"

#include <QMenuBar>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QAction* MakeAction(QObject* parent, const char* name, const QString& caption) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

TDormivaForm::TDormivaForm(TProgramOptions& options, IUserPrompts& prompts, IEntryDialogs& dialogs,
                           IConnectAsPrompt& connectAs, QWidget* parent)
    : QMainWindow(parent), m_options(options) {
    setObjectName(QStringLiteral("DormivaForm"));
    setWindowTitle(QStringLiteral("Dormiva"));
    m_appLog = std::make_unique<TAppLog>(m_options.SettingsFolder, &prompts);
    RouteIcmpUnavailableToLog(m_appLog.get());
    m_computerList = std::make_unique<TComputerList>(m_options, prompts, dialogs);
    m_pool = std::make_unique<TPoolOfThreads>(m_options, RunJob);
    m_run = std::make_unique<TRunController>(*m_computerList, *m_pool, m_appLog.get(), m_options, prompts, connectAs);
    actExecute = MakeAction(this, "actExecute", QStringLiteral("Execute"));
    connect(actExecute, &QAction::triggered, this, [this] { m_run->Execute(m_pnlAction->SelectedAction()); });

    auto* split = new QSplitter(Qt::Horizontal, this);
    pcComputerlist = new QTabWidget(split);
    pcComputerlist->setObjectName(QStringLiteral("pcComputerlist"));
    pcComputerlist->setMinimumWidth(200);
    m_vstComputerList = new TComputerTreeView(*m_computerList, pcComputerlist);
    pcComputerlist->addTab(m_vstComputerList, QStringLiteral("Computers"));
    pcComputerlist->widget(0)->setObjectName(QStringLiteral("tsComputers"));

    auto* right = new QSplitter(Qt::Vertical, split);
    m_pnlAction = new TActionPanel(actExecute, right);
    auto* pnlLog = new QTabWidget(right);
    pnlLog->setObjectName(QStringLiteral("pnlLog"));
    m_vstApplicationLog = new TAppLogView(m_appLog.get(), pnlLog);
    pnlLog->addTab(m_vstApplicationLog, QStringLiteral("Application log"));
    right->setStretchFactor(1, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({std::max(200, m_options.iComputerListWidth), 600});
    setCentralWidget(split);

    CreateActions();
    CreateMenus();

    const QList<QIcon> images = TComputerTreeView::NodeImages(style());
    const QIcon idle = images.at(2);
    const QIcon busy = style()->standardIcon(QStyle::SP_BrowserReload);
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
    UpdateActions();

    m_computerList->SetStatePassFactory(TThrdUpdateComputerState::Factory(m_options));
    m_computerList->SetUpdateInterval(m_options.IntervalUpdateComputerList);
    m_computerList->SetUpdateEnabled(m_options.AutoUpdateComputerList);
    m_computerList->UpdateState();
}

TDormivaForm::~TDormivaForm() {
    // The tree goes before the list it shows.
    std::unique_ptr<QWidget> panels(takeCentralWidget());
}

void TDormivaForm::CreateActions() {
    actComputerAdd = MakeAction(this, "actComputerAdd", QStringLiteral("Add computer"));
    actComputerAdd->setShortcut(Qt::Key_Insert);
    connect(actComputerAdd, &QAction::triggered, m_computerList.get(), &TComputerList::AddComputerWithDialog);
    actGroupCreateNew = MakeAction(this, "actGroupCreateNew", QStringLiteral("Create new group"));
    actGroupCreateNew->setShortcut(Qt::CTRL | Qt::Key_Insert);
    connect(actGroupCreateNew, &QAction::triggered, m_computerList.get(), &TComputerList::AddGroupWithDialog);
    actEdit = MakeAction(this, "actEdit", QStringLiteral("Edit"));
    connect(actEdit, &QAction::triggered, m_computerList.get(), &TComputerList::EditSelected);
    actDelete = MakeAction(this, "actDelete", QStringLiteral("Delete"));
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

    // The keys of the tree's context menu act while the tree has the focus.
    for (QAction* action : {actComputerAdd, actGroupCreateNew, actDelete, actComputerUpdate}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_vstComputerList->addAction(action);
    }
}

void TDormivaForm::CreateMenus() {
    QMenu* mnEdit = menuBar()->addMenu(QStringLiteral("Edit"));
    mnEdit->setObjectName(QStringLiteral("mnEdit"));
    mnEdit->addActions({actGroupCreateNew, actComputerAdd, actEdit, actDelete, actDeleteAll});
    QMenu* mnComputers = menuBar()->addMenu(QStringLiteral("Computers"));
    mnComputers->setObjectName(QStringLiteral("mnComputers"));
    mnComputers->addActions({actExpandAll, actCollapseAll, actComputerUpdate});

    pmComputerList = new QMenu(this);
    pmComputerList->setObjectName(QStringLiteral("pmComputerList"));
    pmComputerList->addActions({actComputerAdd, actGroupCreateNew, actEdit, actDelete, actDeleteAll});
    pmComputerList->addSeparator();
    pmComputerList->addAction(actComputerUpdate);
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
    actExecute->setEnabled(m_run->HasCheckedNode());
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
