#include "FileInfo.h"

#include "DormivaVersion.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

bool IsRunningProgram(const QString& fileName) {
    if (fileName.isEmpty())
        return true;
    if (!QCoreApplication::instance())
        return false;
    return QFileInfo(fileName).canonicalFilePath() ==
           QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
}

} // namespace

TFixedFileInfo GetFixedFileInfo(const QString& fileName) {
    if (!IsRunningProgram(fileName))
        return Platform::ReadFileVersion(fileName);
    TFixedFileInfo info;
    info.Major = DORMIVA_VERSION_MAJOR;
    info.Minor = DORMIVA_VERSION_MINOR;
    info.Release = DORMIVA_VERSION_RELEASE;
    info.Build = DORMIVA_VERSION_BUILD;
    info.FileFlags = DORMIVA_FILE_FLAGS;
    return info;
}

QString GetVersionShort(const QString& fileName) {
    const TFixedFileInfo info = GetFixedFileInfo(fileName);
    if (info.IsZeroVersion())
        return QString();
    return QStringLiteral("%1.%2").arg(info.Major).arg(info.Minor);
}

QString GetVersionFull(const QString& fileName) {
    const TFixedFileInfo info = GetFixedFileInfo(fileName);
    if (info.IsZeroVersion())
        return QString();
    return QStringLiteral("%1.%2.%3.%4").arg(info.Major).arg(info.Minor).arg(info.Release).arg(info.Build);
}

QString GetVersionString(const QString& valueName) {
    if (valueName == u"CompanyName")
        return QStringLiteral(DORMIVA_COMPANY);
    if (valueName == u"ProductName")
        return QStringLiteral(DORMIVA_PRODUCT);
    if (valueName == u"InternalName")
        return QStringLiteral(DORMIVA_INTERNAL_NAME);
    return QString();
}

QDateTime GetBuildDate() {
    // The stamp is written in UTC without a zone designator.
    return QDateTime::fromString(QStringLiteral(DORMIVA_BUILD_TIMESTAMP "Z"), Qt::ISODate);
}
