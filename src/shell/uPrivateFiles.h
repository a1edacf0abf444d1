#pragma once

#include <QFileDevice>
#include <QLoggingCategory>
#include <QString>

class QSaveFile;

// Diagnostics of file modes (category "dormiva.files"; a tightened mode is a warning, shown by default).
Q_DECLARE_LOGGING_CATEGORY(lcFiles)

// The list file and options.xml hold stored passwords; the protection of level 1 is built from values
// any local user can learn, so only the file mode keeps other users out.
inline constexpr QFileDevice::Permissions PrivateFileMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
inline constexpr QFileDevice::Permissions PrivateFolderMode =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Opens file for writing. A file that does not exist yet is created with PrivateFileMode; an existing
// one keeps its mode.
bool OpenPrivateSaveFile(QSaveFile& file);
// Creates folder with its missing parents; the folder itself, when new, with PrivateFolderMode.
bool MakePrivateFolder(const QString& folder);
// Takes the group's and others' rights from an existing file or folder, with one log line when it had any.
void TightenToOwner(const QString& path);
