#pragma once

#include "uUserConnectAs.h"

#include <QList>
#include <QWidget>

#include <optional>

class IUserPrompts;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;

// The credentials block the four credential dialogs share: mutually exclusive choices bound to the
// actions actInherited, actPromptUser, actCurrentUser and actFolllowingUser, the user name and password
// fields and "Show password". The fields are enabled only while "The following user:" is chosen.
class TCredentialsFrame : public QWidget {
    Q_OBJECT
public:
    // choices: the modes offered, top to bottom.
    TCredentialsFrame(const QList<TUserConnectAs>& choices, QWidget* parent);

    // Chooses the mode's choice; a mode that is not offered chooses nothing.
    void SetMode(int mode);
    // The chosen mode; none while nothing is chosen.
    std::optional<TUserConnectAs> Mode() const;
    bool IsFollowingUser() const { return Mode() == ucFollowingUser; }

    QLineEdit* UserNameEdit() const { return m_userName; }
    QLineEdit* PasswordEdit() const { return m_password; }
    QString UserName() const;
    QString Password() const;
    void SetAccount(const QString& userName, const QString& password);

    // The result of the chosen mode: "The following user:" gives mode 2 and the fields' texts, any other
    // choice its mode and both cleared; with nothing chosen the arguments stay as they are.
    void ReadResult(TUserConnectAs& mode, QString& userName, QString& password) const;
    // The account check of OK: with "The following user:", an empty user name is an error (the focus
    // goes to its field) and an empty password needs the operator's consent. True when OK may accept.
    bool CheckAccount(IUserPrompts& prompts) const;

signals:
    // A choice was made by the operator or by SetMode.
    void ModeChosen();
    // The choice or a field changed.
    void Changed();

private:
    QAction* AddChoice(TUserConnectAs mode, const QString& name, const QString& text);
    void UpdateFields();

    QList<QAction*> m_choices;
    QLabel* m_userNameLabel;
    QLineEdit* m_userName;
    QLabel* m_passwordLabel;
    QLineEdit* m_password;
    QAction* m_showPassword;
    QCheckBox* m_showPasswordBox;
};
