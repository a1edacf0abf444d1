#include "uConsolePrompts.h"

#include <cstdio>

TPromptResult TConsolePrompts::Ask(const QString& text, const QString& caption, TPromptButtons buttons, TPromptIcon) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    switch (buttons) {
    case TPromptButtons::OK:
        return TPromptResult::OK;
    case TPromptButtons::YesNo:
        return TPromptResult::No;
    case TPromptButtons::OKCancel:
    case TPromptButtons::YesNoCancel:
        break;
    }
    return TPromptResult::Cancel;
}
