#pragma once

#include <QStringView>

#include <optional>

// The whole text as digits of base 10 or 16 (either letter case); none when it is empty, holds any
// other character or exceeds limit (at most 32 bits).
std::optional<quint32> ParseDigits(QStringView digits, int base, quint32 limit);
