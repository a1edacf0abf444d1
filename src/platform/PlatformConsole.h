#pragma once

#include <QString>

#include <cstdio>
#include <optional>

namespace Platform {

// Whether the stream is a terminal, not a pipe or a file.
bool IsTerminal(std::FILE* stream);
// Reads one line from the terminal without showing what is typed; none at the end of input.
std::optional<QString> ReadHiddenLine();

} // namespace Platform
