#pragma once

#include <QString>
#include <QVariant>

#include <initializer_list>

// Formats a message text the way the language files write them: "%s", "%d", "%u", "%x", "%%",
// with an optional argument index ("%1:s"), left alignment ("-"), width and precision.
// A placeholder without a matching argument is left as it stands, so a broken translation
// shows its fault instead of crashing. The result holds each argument once and at most
// MaxFormattedLength characters more, the rest is cut: a language file may repeat a wide placeholder
// or an argument many times.
constexpr qsizetype MaxFormattedLength = 64 * 1024;
QString Format(const QString& format, std::initializer_list<QVariant> args);
QString Format(const QString& format, const QVariantList& args);
