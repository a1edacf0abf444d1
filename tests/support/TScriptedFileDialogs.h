#pragma once

#include "uFileDialogs.h"

#include <QStringList>

// Answers file dialogs with queued paths (empty = Cancel) and records what they were opened with,
// one "kind|title|filter|extension|folder" line per call. A save dialog chooses the next queued filter,
// or the first of the filter text as the dialog preselects it.
class TScriptedFileDialogs : public IFileDialogs {
public:
    QStringList Answers;
    QStringList Filters;
    QStringList Calls;

    QString PromptSaveFileName(const QString& title, const QString& filter, const QString& extension,
                               const QString& folder, QString& selectedFilter) override;
    QString PromptOpenFileName(const QString& title, const QString& filter, const QString& extension,
                               const QString& folder) override;
    QString PromptFolderName(const QString& title) override;

private:
    QString Record(const QString& kind, const QString& title, const QString& filter, const QString& extension,
                   const QString& folder);
};
