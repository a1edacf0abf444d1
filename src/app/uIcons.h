#pragma once

#include <QIcon>
#include <QStringList>

// The program's icons: the desktop theme's icon where a standard name fits, else the one shipped in
// the resources (":/icons/NAME.svg", drawn for Dormiva, CC0-1.0).
namespace Icons {

QIcon Application();
// name: a shipped icon; themeName: the standard theme name to prefer, none when empty.
QIcon Themed(const QString& name, const QString& themeName = QString());
// Every shipped icon's name, for the check that all of them load.
QStringList ShippedNames();

} // namespace Icons
