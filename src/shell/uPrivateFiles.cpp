#include "uPrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcFiles, "dormiva.files", QtWarningMsg)

namespace {

constexpr QFileDevice::Permissions OwnerRights =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions OthersRights = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                  QFileDevice::WriteOther | QFileDevice::ExeOther;

} // namespace

bool OpenPrivateSaveFile(QSaveFile& file) {
    const QFileInfo existing(file.fileName());
    // Without the "User" rights: they say what this process may do (root may write anything), not the mode.
    const QFileDevice::Permissions mode =
        existing.exists() ? existing.permissions() & (OwnerRights | OthersRights) : PrivateFileMode;
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Set on the temporary file before anything is written, so the content is never readable by others;
    // QSaveFile alone would give a new file the umask's mode and an existing one the owner's write right.
    return file.setPermissions(mode);
}

bool MakePrivateFolder(const QString& folder) {
    const QDir dir(folder);
    if (dir.exists())
        return true;
    const QString path = dir.absolutePath();
    return QDir().mkpath(QFileInfo(path).absolutePath()) && QDir().mkdir(path, PrivateFolderMode);
}

void TightenToOwner(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || info.isSymLink())
        return;
    const QFileDevice::Permissions mode = info.permissions();
    if (!(mode & OthersRights))
        return;
    if (QFile::setPermissions(path, mode & OwnerRights))
        qCWarning(lcFiles).noquote() << "other users could read" << QDir::toNativeSeparators(path)
                                     << "- it is now readable by its owner alone";
}
