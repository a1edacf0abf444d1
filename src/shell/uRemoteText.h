#pragma once

#include <QString>

// Texts that a remote host chose are cut to this many characters before they reach the log.
constexpr qsizetype MaxRemoteTextLength = 4096;

// A remote host's text made fit for one log line: control characters and line separators become
// blanks, so that a host cannot write lines of its own into app.log, and a text longer than
// MaxRemoteTextLength is cut and ends with "…".
QString RemoteTextForLog(const QString& text);
