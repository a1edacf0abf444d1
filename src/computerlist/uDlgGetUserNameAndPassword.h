#pragma once

#include <QDialog>

class IUserPrompts;
class TCredentialsFrame;

// "Connect As...": the account for one run, asked when credentials say to prompt.
class TDlgGetUserNameAndPassword : public QDialog {
    Q_OBJECT
public:
    TDlgGetUserNameAndPassword(QWidget* parent, IUserPrompts& prompts);

    // "The following user:" is chosen when a user name is given, else "Current user"; with a user name
    // but no password the password field gets the focus.
    void SetValues(const QString& userName, const QString& password);
    // Both cleared for "Current user", else the fields' texts.
    void ReadValues(QString& userName, QString& password) const;

private:
    void CheckAndAccept();

    IUserPrompts& m_prompts;
    TCredentialsFrame* m_credentials;
};

bool ExecuteConnectAsDialog(QWidget* parent, IUserPrompts& prompts, QString& userName, QString& password);
