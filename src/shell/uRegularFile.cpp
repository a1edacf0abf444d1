#include "uRegularFile.h"

#include "LangChanger.h"

#include <QFileInfo>

QString OpenRegularFileForReading(QFile& file) {
    const QFileInfo info(file.fileName());
    if (info.exists() && !info.isFile())
        return LangStr(QStringLiteral("sFileNotRegular"));
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return QString();
}
