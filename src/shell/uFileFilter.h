#pragma once

#include <QString>
#include <QStringList>

// File dialog filters as Qt writes them ("Computer list (*.dvl);;All files (*)").

// The name suffixes (without dot, as written) that one filter lists; none for a filter of every file.
QStringList FilterSuffixes(const QString& filter);
// The path as the chosen filter wants it: unchanged when its suffix is one of the filter's or the
// filter takes every file, else with the filter's first suffix added.
QString PathForFilter(const QString& path, const QString& filter);
