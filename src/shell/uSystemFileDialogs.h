#pragma once

#include "uFileDialogs.h"

class QWidget;

// The file dialogs of the desktop, modal over the given parent window.
class TSystemFileDialogs : public IFileDialogs {
public:
    explicit TSystemFileDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    QString PromptSaveFileName(const QString& title, const QString& filter, const QString& defaultExtension,
                               const QString& folder, QString& selectedFilter) override;
    QString PromptOpenFileName(const QString& title, const QString& filter, const QString& defaultExtension,
                               const QString& folder) override;
    QString PromptFolderName(const QString& title) override;

private:
    QString Run(bool save, const QString& title, const QString& filter, const QString& defaultExtension,
                const QString& folder, QString* selectedFilter);

    QWidget* m_parent;
};
