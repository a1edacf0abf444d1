#pragma once

#include <QString>

// The file dialogs that interrupt logic. The program shows the system's dialogs; tests answer
// from a script. Filters are Qt filter texts ("Text files (*.txt);;All files (*)"); the first is
// selected, and defaultExtension (without dot) is added to a name typed without one.
// Each returns the chosen path, or an empty text on Cancel.
class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // Asks before overwriting; the folder must exist. selectedFilter receives the filter chosen last.
    virtual QString PromptSaveFileName(const QString& title, const QString& filter, const QString& defaultExtension,
                                       const QString& folder, QString& selectedFilter) = 0;
    // The folder and the file must exist.
    virtual QString PromptOpenFileName(const QString& title, const QString& filter, const QString& defaultExtension,
                                       const QString& folder) = 0;
    // A folder of the file system, chosen from no preset folder.
    virtual QString PromptFolderName(const QString& title) = 0;
};
