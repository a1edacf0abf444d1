#pragma once

#include <QString>

// The "Connect As..." question asked when a computer's credentials say to prompt. The program answers
// it with its dialog, tests from a script.
class IConnectAsPrompt {
public:
    virtual ~IConnectAsPrompt() = default;
    // Fills the dialog from the arguments; subject names what the account is for ("Connect to the
    // computer pc1 as:"), empty for the defaults. On OK writes the entered account back (both empty for
    // the current user) and returns true; Cancel returns false and changes nothing.
    virtual bool ExecuteConnectAsDialog(const QString& subject, QString& userName, QString& password) = 0;
};
