#include "udlgAddressGroupEdit.h"

#include "LangChanger.h"
#include "uCredentialsFrame.h"
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
    setWindowTitle(QStringLiteral("Create New Group"));
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pcParameters"));

    auto* general = new QWidget(m_pages);
    general->setObjectName(QStringLiteral("tsGeneral"));
    m_name = new QLineEdit(general);
    m_name->setObjectName(QStringLiteral("edName"));
    auto* nameLabel = new QLabel(QStringLiteral("Group name:"), general);
    nameLabel->setObjectName(QStringLiteral("lblName"));
    nameLabel->setBuddy(m_name);
    auto* generalLayout = new QFormLayout(general);
    generalLayout->addRow(nameLabel);
    generalLayout->addRow(m_name);
    m_pages->addTab(general, QStringLiteral("General"));

    m_credentialsPage = new QWidget(m_pages);
    m_credentialsPage->setObjectName(QStringLiteral("tsCredentials"));
    m_credentials =
        new TCredentialsFrame({ucInherited, ucPromptUser, ucCurrentUser, ucFollowingUser}, m_credentialsPage);
    (new QVBoxLayout(m_credentialsPage))->addWidget(m_credentials);
    m_pages->addTab(m_credentialsPage, QStringLiteral("Credentials"));

    m_add = new QAction(QStringLiteral("OK"), this);
    m_add->setObjectName(QStringLiteral("actAdd"));
    connect(m_add, &QAction::triggered, this, &QDialog::accept);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(m_add->text(), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    // The button follows the action: its state and, after translation, its text.
    connect(m_add, &QAction::changed, ok, [this, ok] {
        ok->setEnabled(m_add->isEnabled());
        ok->setText(m_add->text());
    });
    connect(ok, &QPushButton::clicked, m_add, &QAction::trigger);
    auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
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
    if (!credentialsVisible)
        m_pages->removeTab(m_pages->indexOf(m_credentialsPage));
    m_pages->setCurrentIndex(0);
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
