#include "uSystemFileDialogs.h"

#include "uFileFilter.h"

#include <QFileDialog>

QString TSystemFileDialogs::PromptSaveFileName(const QString& title, const QString& filter,
                                               const QString& defaultExtension, const QString& folder,
                                               QString& selectedFilter) {
    return Run(true, title, filter, defaultExtension, folder, &selectedFilter);
}

QString TSystemFileDialogs::PromptOpenFileName(const QString& title, const QString& filter,
                                               const QString& defaultExtension, const QString& folder) {
    return Run(false, title, filter, defaultExtension, folder, nullptr);
}

QString TSystemFileDialogs::Run(bool save, const QString& title, const QString& filter, const QString& defaultExtension,
                                const QString& folder, QString* selectedFilter) {
    QFileDialog dialog(m_parent, title, folder, filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultExtension);
    dialog.setOption(QFileDialog::ReadOnly, false);
    // A name typed without a suffix takes the chosen filter's, so that the overwrite question names the file
    // that will be written.
    const auto takeSuffixOf = [&dialog, defaultExtension](const QString& chosen) {
        const QStringList suffixes = FilterSuffixes(chosen);
        dialog.setDefaultSuffix(suffixes.isEmpty() ? defaultExtension : suffixes.constFirst());
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, takeSuffixOf);
    if (!filter.isEmpty()) {
        const QString first = filter.section(QStringLiteral(";;"), 0, 0);
        dialog.selectNameFilter(first);
        takeSuffixOf(first);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (selectedFilter)
        *selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

QString TSystemFileDialogs::PromptFolderName(const QString& title) {
    return QFileDialog::getExistingDirectory(m_parent, title, QString(), QFileDialog::ShowDirsOnly);
}
