#pragma once

#include "uUserPrompts.h"

// Prompts for a run that no user watches: the text goes to the error output and the answer is the
// one that changes nothing (Cancel, No, or OK where that is the only button).
class TConsolePrompts : public IUserPrompts {
public:
    TPromptResult Ask(const QString& text, const QString& caption, TPromptButtons buttons, TPromptIcon icon) override;
};
