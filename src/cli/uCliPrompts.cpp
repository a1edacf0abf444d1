#include "uCliPrompts.h"

#include "LangChanger.h"
#include "PlatformConsole.h"

#include <cstdio>

TPromptResult TCliPrompts::Ask(const QString& text, const QString& caption, TPromptButtons buttons, TPromptIcon icon) {
    if (icon == TPromptIcon::Error)
        ++m_errors;
    const TPromptResult answer = TConsolePrompts::Ask(text, caption, buttons, icon);
    return buttons == TPromptButtons::OKCancel ? TPromptResult::OK : answer;
}

// A run without a terminal never waits for an answer that cannot come.
bool TCliPrompts::ExecuteConnectAsDialog(const QString& subject, QString& userName, QString& password) {
    if (!Platform::IsTerminal(stdin))
        return false;
    std::fprintf(stderr, "%s\n%s ", qPrintable(subject), qPrintable(LangStr(QStringLiteral("sCliUserName"))));
    std::fflush(stderr);
    char line[512];
    if (!std::fgets(line, sizeof line, stdin))
        return false;
    std::fprintf(stderr, "%s ", qPrintable(LangStr(QStringLiteral("sCliPassword"))));
    std::fflush(stderr);
    const std::optional<QString> secret = Platform::ReadHiddenLine();
    if (!secret)
        return false;
    userName = QString::fromLocal8Bit(line).trimmed();
    password = *secret;
    return true;
}
