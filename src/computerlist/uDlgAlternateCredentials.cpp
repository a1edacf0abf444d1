#include "uDlgAlternateCredentials.h"

#include "uCredentialsFrame.h"
#include "uEntryDialogParts.h"
#include "uTranslateForm.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

TDlgAlternateCredentials::TDlgAlternateCredentials(QWidget* parent, IUserPrompts& prompts)
    : QDialog(parent), m_prompts(prompts) {
    setObjectName(QStringLiteral("DlgAlternateCredentials"));
    setWindowTitle(QStringLiteral("Default Credentials"));
    m_credentials = new TCredentialsFrame({ucPromptUser, ucCurrentUser, ucFollowingUser}, this);
    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = CreateOkCancelButtons(this, ok);
    connect(ok, &QPushButton::clicked, this, &TDlgAlternateCredentials::CheckAndAccept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_credentials);
    layout->addWidget(buttons);
}

void TDlgAlternateCredentials::SetValues(quint8 mode, const QString& userName, const QString& password) {
    m_credentials->SetAccount(userName, password);
    m_credentials->SetMode(mode == ucInherited ? int(ucCurrentUser) : int(mode));
}

void TDlgAlternateCredentials::ReadValues(quint8& mode, QString& userName, QString& password) const {
    TUserConnectAs chosen = TUserConnectAs(mode);
    m_credentials->ReadResult(chosen, userName, password);
    mode = chosen;
}

void TDlgAlternateCredentials::CheckAndAccept() {
    if (m_credentials->CheckAccount(m_prompts))
        accept();
}

bool ExecuteDefaultCredentialsDialog(QWidget* parent, IUserPrompts& prompts, quint8& mode, QString& userName,
                                     QString& password) {
    TDlgAlternateCredentials dialog(parent, prompts);
    TranslateForm(&dialog);
    dialog.SetValues(mode, userName, password);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.ReadValues(mode, userName, password);
    return true;
}
