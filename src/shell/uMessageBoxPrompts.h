#pragma once

#include "uUserPrompts.h"

class QWidget;

// Answers prompts with modal message boxes over the given parent window.
class TMessageBoxPrompts : public IUserPrompts {
public:
    explicit TMessageBoxPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    TPromptResult Ask(const QString& text, const QString& caption, TPromptButtons buttons, TPromptIcon icon) override;

private:
    QWidget* m_parent;
};
