#pragma once

#include <QString>

enum class TPromptButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class TPromptIcon { Information, Warning, Error, Question };
enum class TPromptResult { OK, Cancel, Yes, No };

// The questions and notices that interrupt logic. The program answers them with message boxes;
// tests answer them from a script.
class IUserPrompts {
public:
    virtual ~IUserPrompts() = default;
    virtual TPromptResult Ask(const QString& text, const QString& caption, TPromptButtons buttons,
                              TPromptIcon icon) = 0;
};
