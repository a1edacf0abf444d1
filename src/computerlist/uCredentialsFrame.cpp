#include "uCredentialsFrame.h"

#include "LangChanger.h"
#include "uBoundButton.h"
#include "uUserPrompts.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

TCredentialsFrame::TCredentialsFrame(const QList<TUserConnectAs>& choices, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmCredentials"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QActionGroup(this);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional); // a mode may choose nothing
    for (const TUserConnectAs mode : choices) {
        QAction* action = nullptr;
        switch (mode) {
        case ucInherited:
            action = AddChoice(mode, QStringLiteral("actInherited"), QStringLiteral("Inherited credentials"));
            break;
        case ucPromptUser:
            action = AddChoice(mode, QStringLiteral("actPromptUser"), QStringLiteral("Prompt user name and password"));
            break;
        case ucCurrentUser:
            action = AddChoice(mode, QStringLiteral("actCurrentUser"), QStringLiteral("Current user"));
            break;
        case ucFollowingUser:
            action = AddChoice(mode, QStringLiteral("actFolllowingUser"), QStringLiteral("The following user:"));
            break;
        }
        group->addAction(action);
        auto* button = BoundButton<QRadioButton>(action, this);
        button->setAutoExclusive(false); // the action group keeps the choices exclusive
        layout->addWidget(button);
    }

    m_userNameLabel = new QLabel(QStringLiteral("User name:"), this);
    m_userNameLabel->setObjectName(QStringLiteral("lblUserName"));
    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("edUserName"));
    m_passwordLabel = new QLabel(QStringLiteral("Password:"), this);
    m_passwordLabel->setObjectName(QStringLiteral("lblUserPassword"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("edUserPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_userNameLabel->setBuddy(m_userName);
    m_passwordLabel->setBuddy(m_password);
    auto* fields = new QFormLayout;
    fields->setContentsMargins(20, 0, 0, 0);
    fields->addRow(m_userNameLabel, m_userName);
    fields->addRow(m_passwordLabel, m_password);
    layout->addLayout(fields);

    m_showPassword = new QAction(QStringLiteral("Show password"), this);
    m_showPassword->setObjectName(QStringLiteral("actShowPassword"));
    m_showPassword->setCheckable(true);
    connect(m_showPassword, &QAction::toggled, this,
            [this](bool shown) { m_password->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password); });
    m_showPasswordBox = BoundButton<QCheckBox>(m_showPassword, this);
    m_showPasswordBox->setObjectName(QStringLiteral("chkShowPassword"));
    fields->addRow(QString(), m_showPasswordBox);
    layout->addStretch();

    connect(m_userName, &QLineEdit::textChanged, this, &TCredentialsFrame::Changed);
    connect(m_password, &QLineEdit::textChanged, this, &TCredentialsFrame::Changed);
    UpdateFields();
}

QAction* TCredentialsFrame::AddChoice(TUserConnectAs mode, const QString& name, const QString& text) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setCheckable(true);
    action->setData(int(mode));
    connect(action, &QAction::toggled, this, [this](bool checked) {
        if (!checked)
            return;
        UpdateFields();
        emit ModeChosen();
        emit Changed();
    });
    m_choices.append(action);
    return action;
}

void TCredentialsFrame::SetMode(int mode) {
    for (QAction* action : std::as_const(m_choices)) {
        if (action->data().toInt() == mode) {
            action->setChecked(true);
            return;
        }
    }
    for (QAction* action : std::as_const(m_choices))
        action->setChecked(false);
    UpdateFields();
    emit Changed();
}

std::optional<TUserConnectAs> TCredentialsFrame::Mode() const {
    for (const QAction* action : m_choices)
        if (action->isChecked())
            return TUserConnectAs(action->data().toInt());
    return std::nullopt;
}

QString TCredentialsFrame::UserName() const {
    return m_userName->text();
}

QString TCredentialsFrame::Password() const {
    return m_password->text();
}

void TCredentialsFrame::SetAccount(const QString& userName, const QString& password) {
    m_userName->setText(userName);
    m_password->setText(password);
}

void TCredentialsFrame::UpdateFields() {
    const bool following = IsFollowingUser();
    for (QWidget* widget : {static_cast<QWidget*>(m_userNameLabel), static_cast<QWidget*>(m_userName),
                            static_cast<QWidget*>(m_passwordLabel), static_cast<QWidget*>(m_password)})
        widget->setEnabled(following);
    m_showPassword->setEnabled(following);
}

void TCredentialsFrame::ReadResult(TUserConnectAs& mode, QString& userName, QString& password) const {
    const std::optional<TUserConnectAs> chosen = Mode();
    if (!chosen)
        return;
    mode = *chosen;
    userName = mode == ucFollowingUser ? UserName() : QString();
    password = mode == ucFollowingUser ? Password() : QString();
}

bool TCredentialsFrame::CheckAccount(IUserPrompts& prompts) const {
    if (!IsFollowingUser())
        return true;
    if (UserName().isEmpty()) {
        m_userName->setFocus();
        prompts.Ask(LangStr(QStringLiteral("sUserNameEmpty")), LangStr(QStringLiteral("sError")), TPromptButtons::OK,
                    TPromptIcon::Error);
        return false;
    }
    if (Password().isEmpty())
        return prompts.Ask(LangStr(QStringLiteral("sPasswordIsEmpty")), LangStr(QStringLiteral("sWarning")),
                           TPromptButtons::YesNo, TPromptIcon::Warning) == TPromptResult::Yes;
    return true;
}
