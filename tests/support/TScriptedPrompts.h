#pragma once

#include "uUserPrompts.h"

#include <QList>
#include <QString>

// Answers prompts from a queue and records every question asked; an unexpected question
// (the queue is empty) fails the running test and is answered with Cancel.
class TScriptedPrompts : public IUserPrompts {
public:
    struct TQuestion {
        QString Text;
        QString Caption;
        TPromptButtons Buttons;
        TPromptIcon Icon;
    };

    void Answer(TPromptResult result) { m_answers.append(result); }
    TPromptResult Ask(const QString& text, const QString& caption, TPromptButtons buttons, TPromptIcon icon) override;

    const QList<TQuestion>& Asked() const { return m_asked; }
    bool AllAnswersUsed() const { return m_answers.isEmpty(); }

private:
    QList<TPromptResult> m_answers;
    QList<TQuestion> m_asked;
};
