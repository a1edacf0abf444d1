#include "uDlgCommandListManage.h"

#include "LangChanger.h"
#include "uFormat.h"
#include "uToolDialogs.h"
#include "uTranslateForm.h"
#include "uUserPrompts.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

TDlgCommandListManage::TDlgCommandListManage(QWidget* parent, const TCommandList& list, IToolDialogs& dialogs,
                                             IUserPrompts& prompts)
    : QDialog(parent), m_dialogs(dialogs), m_prompts(prompts), m_working(list) {
    setObjectName(QStringLiteral("DlgCommandListManage"));
    setWindowTitle(QStringLiteral("Manage tools"));
    vstCommandList = new QListWidget(this);
    vstCommandList->setObjectName(QStringLiteral("vstCommandList"));
    vstCommandList->setMouseTracking(true);
    for (const TCommandListItem& tool : m_working.Items())
        vstCommandList->addItem(RowText(tool));

    auto* side = new QVBoxLayout;
    const auto makeAction = [this, side](const char* name, const QString& caption, const QString& hint) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setToolTip(hint);
        auto* button = new QToolButton(this);
        button->setDefaultAction(action);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        side->addWidget(button);
        return action;
    };
    actMoveUP = makeAction("actMoveUP", QStringLiteral("Up"), QStringLiteral("Move Up"));
    actMoveDown = makeAction("actMoveDown", QStringLiteral("Down"), QStringLiteral("Move down"));
    actAddTool = makeAction("actAddTool", QStringLiteral("Add"), QStringLiteral("Add tool"));
    actEditTool = makeAction("actEditTool", QStringLiteral("Edit"), QStringLiteral("Edit tool"));
    actRemoveTool = makeAction("actRemoveTool", QStringLiteral("Remove"), QStringLiteral("Remove tool"));
    connect(actMoveUP, &QAction::triggered, this, [this] { Move(-1); });
    connect(actMoveDown, &QAction::triggered, this, [this] { Move(1); });
    connect(actAddTool, &QAction::triggered, this, &TDlgCommandListManage::AddTool);
    connect(actEditTool, &QAction::triggered, this, &TDlgCommandListManage::EditTool);
    connect(actRemoveTool, &QAction::triggered, this, &TDlgCommandListManage::RemoveTool);
    side->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(vstCommandList, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);

    connect(vstCommandList, &QListWidget::currentRowChanged, this, &TDlgCommandListManage::UpdateActions);
    Focus(0);
    UpdateActions();
}

QString TDlgCommandListManage::RowText(const TCommandListItem& tool) {
    // Names may be language keys, as in the menus.
    return GetTranslation(tool.Name);
}

void TDlgCommandListManage::Focus(int row) {
    if (row < 0 || row >= vstCommandList->count())
        return;
    vstCommandList->setCurrentRow(row);
    vstCommandList->setFocus();
}

void TDlgCommandListManage::UpdateActions() {
    const int row = vstCommandList->currentRow();
    const bool focused = row >= 0 && row < m_working.Count();
    actMoveUP->setEnabled(focused && row > 0);
    actMoveDown->setEnabled(focused && row < m_working.Count() - 1);
    actEditTool->setEnabled(focused);
    actRemoveTool->setEnabled(focused);
}

void TDlgCommandListManage::Move(int step) {
    const int row = vstCommandList->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= m_working.Count())
        return;
    m_working.Items().move(row, target);
    vstCommandList->insertItem(target, vstCommandList->takeItem(row));
    Focus(target);
}

void TDlgCommandListManage::AddTool() {
    TCommandListItem tool{QString(), QStringLiteral("open"), QString(), QString(), QString(), 1};
    if (!m_dialogs.ExecuteCommandListEditDialog(tool))
        return;
    if (!m_working.AddCommand(tool.Name, tool.Operation, tool.FileName, tool.Parameters, tool.Directory, tool.ShowCmd))
        return;
    vstCommandList->addItem(RowText(tool));
    Focus(m_working.Count() - 1);
}

void TDlgCommandListManage::EditTool() {
    const int row = vstCommandList->currentRow();
    if (row < 0 || row >= m_working.Count())
        return;
    TCommandListItem edited = m_working.Items()[row];
    if (!m_dialogs.ExecuteCommandListEditDialog(edited) || edited.Name.isEmpty() || edited.FileName.isEmpty())
        return;
    TCommandListItem& tool = m_working.Items()[row];
    tool.Name = edited.Name;
    tool.FileName = edited.FileName;
    tool.Parameters = edited.Parameters;
    tool.Directory = edited.Directory;
    vstCommandList->item(row)->setText(RowText(tool));
}

void TDlgCommandListManage::RemoveTool() {
    const int row = vstCommandList->currentRow();
    if (row < 0 || row >= m_working.Count())
        return;
    const TPromptResult answer = m_prompts.Ask(
        Format(LangStr(QStringLiteral("sRemoveCommandListItemInfo")), {m_working.Items()[row].Name}),
        LangStr(QStringLiteral("sRemoveCommandListItemCaption")), TPromptButtons::YesNo, TPromptIcon::Warning);
    if (answer != TPromptResult::Yes)
        return;
    m_working.Items().removeAt(row);
    std::unique_ptr<QListWidgetItem>(vstCommandList->takeItem(row));
    Focus(std::min(row, m_working.Count() - 1));
    UpdateActions();
}

bool ManageCommandList(QWidget* parent, TCommandList& list, IToolDialogs& dialogs, IUserPrompts& prompts) {
    TDlgCommandListManage dialog(parent, list, dialogs, prompts);
    TranslateForm(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    list = dialog.WorkingList();
    return true;
}
