#include "uDlgCommandListEdit.h"

#include "LangChanger.h"
#include "uFileDialogs.h"
#include "uTranslateForm.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QPushButton* MakeBrowseButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setMaximumWidth(button->fontMetrics().horizontalAdvance(button->text()) * 3);
    return button;
}

} // namespace

TDlgCommandListEdit::TDlgCommandListEdit(QWidget* parent, IFileDialogs& fileDialogs)
    : QDialog(parent), m_fileDialogs(fileDialogs) {
    setObjectName(QStringLiteral("DlgCommandListEdit"));
    setWindowTitle(QStringLiteral("Create tool"));
    setMinimumWidth(420);
    edName = MakeEdit(this, "edName");
    edFileName = MakeEdit(this, "edFileName");
    edParameters = MakeEdit(this, "edParameters");
    edDirectory = MakeEdit(this, "edDirectory");
    btnFileName = MakeBrowseButton(this, "btnFileName");
    btnDirectory = MakeBrowseButton(this, "btnDirectory");
    connect(btnFileName, &QPushButton::clicked, this, &TDlgCommandListEdit::ChooseFileName);
    connect(btnDirectory, &QPushButton::clicked, this, &TDlgCommandListEdit::ChooseDirectory);

    auto* layout = new QGridLayout(this);
    layout->addWidget(MakeLabel(this, "lblName", QStringLiteral("Tool name:")), 0, 0, 1, 2);
    layout->addWidget(edName, 1, 0, 1, 2);
    layout->addWidget(MakeLabel(this, "lblFileName", QStringLiteral("Program name:")), 2, 0, 1, 2);
    layout->addWidget(edFileName, 3, 0);
    layout->addWidget(btnFileName, 3, 1);
    layout->addWidget(MakeLabel(this, "lblParameters", QStringLiteral("Parameters (optional):")), 4, 0, 1, 2);
    layout->addWidget(edParameters, 5, 0, 1, 2);
    layout->addWidget(
        MakeLabel(this, "lblParametersHint", QStringLiteral("Use variables %computer_name%, %computer_ip%, %path%  ")),
        6, 0, 1, 2);
    layout->addWidget(MakeLabel(this, "lblDirectory", QStringLiteral("Working directory (optional):")), 7, 0, 1, 2);
    layout->addWidget(edDirectory, 8, 0);
    layout->addWidget(btnDirectory, 8, 1);

    actOK = new QAction(QStringLiteral("OK"), this);
    actOK->setObjectName(QStringLiteral("actOK"));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    // The button shows the action: its caption, its state, its command.
    connect(actOK, &QAction::changed, ok, [this, ok] {
        ok->setText(actOK->text());
        ok->setEnabled(actOK->isEnabled());
    });
    connect(ok, &QPushButton::clicked, actOK, &QAction::trigger);
    connect(actOK, &QAction::triggered, this, [this] {
        if (actOK->isEnabled())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons, 9, 0, 1, 2);

    const auto updateOK = [this] { actOK->setEnabled(!edName->text().isEmpty() && !edFileName->text().isEmpty()); };
    connect(edName, &QLineEdit::textChanged, this, updateOK);
    connect(edFileName, &QLineEdit::textChanged, this, updateOK);
    updateOK();
}

void TDlgCommandListEdit::SetValues(const TCommandListItem& tool) {
    setWindowTitle(LangStr(tool.Name.isEmpty() ? QStringLiteral("sAddTool") : QStringLiteral("sEditTool")));
    edName->setText(tool.Name);
    edFileName->setText(tool.FileName);
    edParameters->setText(tool.Parameters);
    edDirectory->setText(tool.Directory);
}

void TDlgCommandListEdit::ReadValues(TCommandListItem& tool) const {
    tool.Name = edName->text();
    tool.FileName = edFileName->text();
    tool.Parameters = edParameters->text();
    tool.Directory = edDirectory->text();
}

void TDlgCommandListEdit::ChooseFileName() {
    const QString current = edFileName->text();
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absoluteFilePath();
    const QString chosen =
        m_fileDialogs.PromptOpenFileName(LangStr(QStringLiteral("sPromptForFileNameTitle")),
                                         LangStr(QStringLiteral("sPromptForFileNameFilter")), QString(), folder);
    if (chosen.isEmpty())
        return;
    edFileName->setText(chosen);
    edFileName->setFocus();
}

void TDlgCommandListEdit::ChooseDirectory() {
    const QString chosen = m_fileDialogs.PromptFolderName(LangStr(QStringLiteral("sPromptForDirectoryTitle")));
    if (chosen.isEmpty())
        return;
    edDirectory->setText(chosen);
    edDirectory->setFocus();
}

bool ExecuteCommandListEditDialog(QWidget* parent, IFileDialogs& fileDialogs, TCommandListItem& tool) {
    TDlgCommandListEdit dialog(parent, fileDialogs);
    TranslateForm(&dialog);
    dialog.SetValues(tool);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.ReadValues(tool);
    return true;
}
