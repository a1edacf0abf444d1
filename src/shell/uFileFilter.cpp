#include "uFileFilter.h"

#include <QFileInfo>
#include <QRegularExpression>

QStringList FilterSuffixes(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral(R"(\*\.([^\s;()*]+))"));
    QStringList suffixes;
    for (const QRegularExpressionMatch& match : pattern.globalMatch(filter))
        suffixes.append(match.captured(1));
    return suffixes;
}

QString PathForFilter(const QString& path, const QString& filter) {
    const QStringList suffixes = FilterSuffixes(filter);
    if (suffixes.isEmpty() || suffixes.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive))
        return path;
    return path + u'.' + suffixes.constFirst();
}
