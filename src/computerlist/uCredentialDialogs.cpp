#include "uCredentialDialogs.h"

#include "uDlgGetUserNameAndPassword.h"
#include "udlgAddressComputerAndDescriptionEdit.h"
#include "udlgAddressGroupEdit.h"

bool TCredentialDialogs::ExecuteGroupEditDialog(QString& name, TUserConnectAs& mode, QString& userName,
                                                QString& password, bool credentialsVisible, bool add) {
    return ::ExecuteGroupEditDialog(m_parent, name, mode, userName, password, credentialsVisible, add);
}

bool TCredentialDialogs::ExecuteComputerEditDialog(QString& name, QString& description, QString& hardwareAddress,
                                                   TUserConnectAs& mode, QString& userName, QString& password,
                                                   bool credentialsVisible) {
    return ::ExecuteComputerEditDialog(m_parent, m_prompts, m_browser, name, description, hardwareAddress, mode,
                                       userName, password, credentialsVisible);
}

bool TCredentialDialogs::ExecuteConnectAsDialog(const QString& subject, QString& userName, QString& password) {
    return ::ExecuteConnectAsDialog(m_parent, m_prompts, userName, password, subject);
}
