#pragma once

#include <QLoggingCategory>
#include <QString>

class IUserPrompts;

// Diagnostics of the settings lock (category "dormiva.settings", info level, off by default).
Q_DECLARE_LOGGING_CATEGORY(lcSettings)

// Claims the settings folder for this copy of the program. Copies in other sessions (another runtime
// folder, so the single-instance rule does not see them) may share the folder; the later one to end
// would silently overwrite the other's list and options. Returns false when another copy holds the
// folder: the user has been told, and this copy must end without writing anything there. A folder
// that cannot hold a lock (read-only) is no reason to stop.
bool ClaimSettingsFolder(const QString& settingsFolder, IUserPrompts& prompts);
