#include "TScriptedFileDialogs.h"

QString TScriptedFileDialogs::PromptSaveFileName(const QString& title, const QString& filter, const QString& extension,
                                                 const QString& folder, QString& selectedFilter) {
    selectedFilter = Filters.isEmpty() ? filter.section(QStringLiteral(";;"), 0, 0) : Filters.takeFirst();
    return Record(QStringLiteral("save"), title, filter, extension, folder);
}

QString TScriptedFileDialogs::PromptOpenFileName(const QString& title, const QString& filter, const QString& extension,
                                                 const QString& folder) {
    return Record(QStringLiteral("open"), title, filter, extension, folder);
}

QString TScriptedFileDialogs::Record(const QString& kind, const QString& title, const QString& filter,
                                     const QString& extension, const QString& folder) {
    Calls.append(QStringList{kind, title, filter, extension, folder}.join(u'|'));
    return Answers.isEmpty() ? QString() : Answers.takeFirst();
}

QString TScriptedFileDialogs::PromptFolderName(const QString& title) {
    return Record(QStringLiteral("folder"), title, {}, {}, {});
}
