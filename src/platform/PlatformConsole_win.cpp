#include "PlatformConsole.h"

#include <io.h>
#include <windows.h>

#include <string>

namespace Platform {

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

std::optional<QString> ReadHiddenLine() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    const bool console = GetConsoleMode(input, &saved) != 0;
    if (console)
        SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::string line;
    int c = 0;
    while ((c = std::getchar()) != EOF && c != '\n')
        if (c != '\r')
            line.push_back(static_cast<char>(c));
    if (console) {
        SetConsoleMode(input, saved);
        std::fputc('\n', stderr);
    }
    if (c == EOF && line.empty())
        return std::nullopt;
    return QString::fromLocal8Bit(line);
}

} // namespace Platform
