#include "uSystemFileDialogs.h"

#include <QFileDialog>

QString TSystemFileDialogs::PromptSaveFileName(const QString& title, const QString& filter,
                                               const QString& defaultExtension, const QString& folder) {
    return Run(true, title, filter, defaultExtension, folder);
}

QString TSystemFileDialogs::PromptOpenFileName(const QString& title, const QString& filter,
                                               const QString& defaultExtension, const QString& folder) {
    return Run(false, title, filter, defaultExtension, folder);
}

QString TSystemFileDialogs::Run(bool save, const QString& title, const QString& filter, const QString& defaultExtension,
                                const QString& folder) {
    QFileDialog dialog(m_parent, title, folder, filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultExtension);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!filter.isEmpty())
        dialog.selectNameFilter(filter.section(QStringLiteral(";;"), 0, 0));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString TSystemFileDialogs::PromptFolderName(const QString& title) {
    return QFileDialog::getExistingDirectory(m_parent, title, QString(), QFileDialog::ShowDirsOnly);
}
