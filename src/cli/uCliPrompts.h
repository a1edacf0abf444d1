#pragma once

#include "uCancelledDialogs.h"
#include "uConnectAsPrompt.h"
#include "uConsolePrompts.h"

// The command-line program's answers: questions go to the error output; a go-ahead (OK or Cancel) is
// given, as the command named what to do, and a yes-or-no question changes nothing. Dialogs are
// cancelled, and a computer whose rule is to prompt asks for its password on the terminal, or fails
// when there is none. Errors told on the way are counted, so that a command ends with a file error.
class TCliPrompts : public TConsolePrompts, public TCancelledDialogs, public IConnectAsPrompt {
public:
    TPromptResult Ask(const QString& text, const QString& caption, TPromptButtons buttons, TPromptIcon icon) override;
    int Errors() const { return m_errors; }

    bool ExecuteConnectAsDialog(const QString& subject, QString& userName, QString& password) override;

private:
    int m_errors = 0;
};
