#pragma once

#include <QList>
#include <QString>

#include <optional>

// A shutdown reason as Windows records it: the planned flag, a major and a minor reason.
struct TShutdownReason {
    const char* Key; // message key of the readable name
    quint32 Code;
};

// The reasons offered for a run, the first one being "none" (code 0), in the order shown.
const QList<TShutdownReason>& ShutdownReasons();

// Reads a reason in the form of the Windows shutdown command, "[p:|u:]MAJOR:MINOR" with decimal
// numbers (major 0-255, minor 0-65535); p marks it planned. None for any other text.
std::optional<quint32> ParseShutdownReason(const QString& text);
