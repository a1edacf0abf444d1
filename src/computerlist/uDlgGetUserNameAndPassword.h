#pragma once

#include <QDialog>

class IUserPrompts;
class QLabel;
class TCredentialsFrame;

// "Connect As...": the account for one run, asked when credentials say to prompt.
class TDlgGetUserNameAndPassword : public QDialog {
    Q_OBJECT
public:
    TDlgGetUserNameAndPassword(QWidget* parent, IUserPrompts& prompts);

    // "The following user:" is chosen when a user name is given, else "Current user"; with a user name
    // but no password the password field gets the focus.
    void SetValues(const QString& userName, const QString& password);
    void SetSubject(const QString& subject);
    // Both cleared for "Current user", else the fields' texts.
    void ReadValues(QString& userName, QString& password) const;

private:
    void CheckAndAccept();

    IUserPrompts& m_prompts;
    QLabel* lblConnectAsFor;
    TCredentialsFrame* m_credentials;
};

// subject, when not empty, says above the choice whom the account is for.
bool ExecuteConnectAsDialog(QWidget* parent, IUserPrompts& prompts, QString& userName, QString& password,
                            const QString& subject = QString());
