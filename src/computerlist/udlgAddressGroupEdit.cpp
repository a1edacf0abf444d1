#include "udlgAddressGroupEdit.h"

#include "LangChanger.h"
#include "uCredentialsFrame.h"
#include "uEntryDialogParts.h"
#include "uTranslateForm.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TdlgAddressGroupEdit::TdlgAddressGroupEdit(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgAddressGroupEdit"));
    setWindowTitle(QStringLiteral("Create New Group"));
    m_pages = CreateEntryPages(this);
    QWidget* general = m_pages.General;
    m_name = new QLineEdit(general);
    m_name->setObjectName(QStringLiteral("edName"));
    auto* nameLabel = new QLabel(QStringLiteral("Group name:"), general);
    nameLabel->setObjectName(QStringLiteral("lblName"));
    nameLabel->setBuddy(m_name);
    auto* generalLayout = new QFormLayout(general);
    generalLayout->addRow(nameLabel);
    generalLayout->addRow(m_name);
    m_credentials = m_pages.Credentials;

    m_add = new QAction(QStringLiteral("OK"), this);
    m_add->setObjectName(QStringLiteral("actAdd"));
    connect(m_add, &QAction::triggered, this, &QDialog::accept);
    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = CreateOkCancelButtons(this, ok);
    // The button follows the action: its state and, after translation, its text.
    connect(m_add, &QAction::changed, ok, [this, ok] {
        ok->setEnabled(m_add->isEnabled());
        ok->setText(m_add->text());
    });
    connect(ok, &QPushButton::clicked, m_add, &QAction::trigger);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages.Pages);
    layout->addWidget(buttons);

    connect(m_name, &QLineEdit::textChanged, this, &TdlgAddressGroupEdit::UpdateAddAction);
    connect(m_credentials, &TCredentialsFrame::Changed, this, &TdlgAddressGroupEdit::UpdateAddAction);
    UpdateAddAction();
}

void TdlgAddressGroupEdit::SetValues(const QString& name, TUserConnectAs mode, const QString& userName,
                                     const QString& password, bool credentialsVisible) {
    m_name->setText(name);
    m_credentials->SetAccount(userName, password);
    m_credentials->SetMode(mode);
    m_pages.Show(credentialsVisible);
    m_name->setFocus();
    UpdateAddAction();
}

void TdlgAddressGroupEdit::ReadValues(QString& name, TUserConnectAs& mode, QString& userName, QString& password) const {
    name = m_name->text();
    m_credentials->ReadResult(mode, userName, password);
}

void TdlgAddressGroupEdit::UpdateAddAction() {
    const bool accountComplete = !m_credentials->IsFollowingUser() ||
                                 (!m_credentials->UserName().isEmpty() && !m_credentials->Password().isEmpty());
    m_add->setEnabled(!m_name->text().trimmed().isEmpty() && accountComplete);
}

bool ExecuteGroupEditDialog(QWidget* parent, QString& name, TUserConnectAs& mode, QString& userName, QString& password,
                            bool credentialsVisible, bool add) {
    TdlgAddressGroupEdit dialog(parent);
    TranslateForm(&dialog);
    dialog.setWindowTitle(
        LangStr(add ? QStringLiteral("sAddressGroupAddTitle") : QStringLiteral("sAddressGroupEditTitle")));
    dialog.SetValues(name, mode, userName, password, credentialsVisible);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.ReadValues(name, mode, userName, password);
    return true;
}
