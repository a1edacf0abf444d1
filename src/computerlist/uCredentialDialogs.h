#pragma once

#include "uConnectAsPrompt.h"
#include "uEntryDialogs.h"

class IComputerBrowser;
class IUserPrompts;
class QWidget;

// The computer list's group and computer dialogs and the "Connect As..." prompt, answered with the
// real dialogs over the given window. Messages of the dialogs go through prompts.
class TCredentialDialogs : public IEntryDialogs, public IConnectAsPrompt {
public:
    TCredentialDialogs(IUserPrompts& prompts, QWidget* parent = nullptr) : m_prompts(prompts), m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    // Where "..." of the computer dialog finds computers; none offers nothing to pick.
    void SetComputerBrowser(IComputerBrowser* browser) { m_browser = browser; }

    bool ExecuteGroupEditDialog(QString& name, TUserConnectAs& mode, QString& userName, QString& password,
                                bool credentialsVisible, bool add) override;
    bool ExecuteComputerEditDialog(QString& name, QString& description, QString& hardwareAddress, TUserConnectAs& mode,
                                   QString& userName, QString& password, bool credentialsVisible) override;
    bool ExecuteConnectAsDialog(const QString& subject, QString& userName, QString& password) override;

private:
    IUserPrompts& m_prompts;
    QWidget* m_parent;
    IComputerBrowser* m_browser = nullptr;
};
