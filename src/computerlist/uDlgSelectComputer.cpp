#include "uDlgSelectComputer.h"

#include "LangChanger.h"
#include "uComputerBrowser.h"
#include "uTranslateForm.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TdlgSelectComputer::TdlgSelectComputer(QWidget* parent, IComputerBrowser* browser) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgSelectComputer"));
    setWindowTitle(LangStr(QStringLiteral("sSelectComp")));
    m_computers = new QListWidget(this);
    m_computers->setObjectName(QStringLiteral("lstComputers"));
    if (browser) {
        QStringList names = browser->BrowseComputers();
        names.sort(Qt::CaseInsensitive);
        m_computers->addItems(names);
    }
    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("OKBtn"));
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_computers, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* current) { m_ok->setEnabled(current != nullptr); });
    connect(m_computers, &QListWidget::itemActivated, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_computers);
    layout->addWidget(buttons);
}

QString TdlgSelectComputer::SelectedComputer() const {
    const QListWidgetItem* item = m_computers->currentItem();
    return item ? item->text() : QString();
}

bool ExecuteSelectComputerDialog(QWidget* parent, IComputerBrowser* browser, QString& name) {
    TdlgSelectComputer dialog(parent, browser);
    TranslateForm(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedComputer().isEmpty())
        return false;
    name = dialog.SelectedComputer();
    return true;
}
