#pragma once

#include "uCancelledDialogs.h"
#include "uUserPrompts.h"

// For benchmarks and fuzz targets, which never show a question or a dialog: every question gets
// the same answer and every dialog is cancelled.
class TFixedAnswerPrompts : public IUserPrompts {
public:
    explicit TFixedAnswerPrompts(TPromptResult answer = TPromptResult::Cancel) : m_answer(answer) {}
    TPromptResult Ask(const QString&, const QString&, TPromptButtons, TPromptIcon) override { return m_answer; }

private:
    TPromptResult m_answer;
};

using TSilentDialogs = TCancelledDialogs;
