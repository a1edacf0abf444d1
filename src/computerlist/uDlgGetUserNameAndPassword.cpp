#include "uDlgGetUserNameAndPassword.h"

#include "uCredentialsFrame.h"
#include "uEntryDialogParts.h"
#include "uTranslateForm.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TDlgGetUserNameAndPassword::TDlgGetUserNameAndPassword(QWidget* parent, IUserPrompts& prompts)
    : QDialog(parent), m_prompts(prompts) {
    setObjectName(QStringLiteral("DlgGetUserNameAndPassword"));
    setWindowTitle(QStringLiteral("Connect As..."));
    lblConnectAsFor = new QLabel(this);
    lblConnectAsFor->setObjectName(QStringLiteral("lblConnectAsFor"));
    lblConnectAsFor->setTextFormat(Qt::PlainText);
    lblConnectAsFor->setWordWrap(true);
    lblConnectAsFor->hide();
    m_credentials = new TCredentialsFrame({ucCurrentUser, ucFollowingUser}, this);
    m_credentials->SetMode(ucCurrentUser);
    connect(m_credentials, &TCredentialsFrame::ModeChosen, this, [this] {
        if (m_credentials->IsFollowingUser())
            m_credentials->UserNameEdit()->setFocus();
    });
    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = CreateOkCancelButtons(this, ok);
    connect(ok, &QPushButton::clicked, this, &TDlgGetUserNameAndPassword::CheckAndAccept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblConnectAsFor);
    layout->addWidget(m_credentials);
    layout->addWidget(buttons);
}

void TDlgGetUserNameAndPassword::SetValues(const QString& userName, const QString& password) {
    m_credentials->SetAccount(userName, password);
    m_credentials->SetMode(userName.isEmpty() ? ucCurrentUser : ucFollowingUser);
    if (!userName.isEmpty() && password.isEmpty())
        m_credentials->PasswordEdit()->setFocus();
}

void TDlgGetUserNameAndPassword::SetSubject(const QString& subject) {
    lblConnectAsFor->setText(subject);
    lblConnectAsFor->setVisible(!subject.isEmpty());
}

void TDlgGetUserNameAndPassword::ReadValues(QString& userName, QString& password) const {
    TUserConnectAs mode = ucCurrentUser;
    m_credentials->ReadResult(mode, userName, password);
}

void TDlgGetUserNameAndPassword::CheckAndAccept() {
    if (!m_credentials->CheckAccount(m_prompts))
        return;
    if (m_credentials->IsFollowingUser() && m_credentials->Password().isEmpty())
        m_credentials->PasswordEdit()->setFocus();
    accept();
}

bool ExecuteConnectAsDialog(QWidget* parent, IUserPrompts& prompts, QString& userName, QString& password,
                            const QString& subject) {
    TDlgGetUserNameAndPassword dialog(parent, prompts);
    TranslateForm(&dialog);
    dialog.SetSubject(subject);
    dialog.SetValues(userName, password);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.ReadValues(userName, password);
    return true;
}
