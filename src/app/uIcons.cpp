#include "uIcons.h"

#include <QDir>

namespace {

const QString ResourceFolder = QStringLiteral(":/icons/");

QString ResourcePath(const QString& name) {
    return ResourceFolder + name + QStringLiteral(".svg");
}

} // namespace

namespace Icons {

QIcon Application() {
    return QIcon(ResourcePath(QStringLiteral("dormiva")));
}

QIcon Themed(const QString& name, const QString& themeName) {
    const QIcon shipped(ResourcePath(name));
    return themeName.isEmpty() ? shipped : QIcon::fromTheme(themeName, shipped);
}

QStringList ShippedNames() {
    QStringList names;
    for (const QString& file : QDir(ResourceFolder).entryList({QStringLiteral("*.svg")}, QDir::Files))
        names << file.chopped(4);
    return names;
}

} // namespace Icons
