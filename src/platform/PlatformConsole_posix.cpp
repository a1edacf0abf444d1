#include "PlatformConsole.h"

#include <termios.h>
#include <unistd.h>

#include <string>

namespace Platform {

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) == 1;
}

std::optional<QString> ReadHiddenLine() {
    termios saved{};
    const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios hidden = saved;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    std::string line;
    int c = 0;
    while ((c = std::getchar()) != EOF && c != '\n')
        line.push_back(static_cast<char>(c));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr);
    }
    if (c == EOF && line.empty())
        return std::nullopt;
    return QString::fromLocal8Bit(line);
}

} // namespace Platform
