#pragma once

#include "uToolShell.h"

#include <functional>

// Starts tools with the desktop: programs as processes of their own with an argument vector, documents
// and addresses through the desktop's handlers. The shutdown dialog is opened by the given function.
class TDesktopToolShell : public IToolShell {
public:
    explicit TDesktopToolShell(std::function<void(const QString&)> openShutdownDialog)
        : m_openShutdownDialog(std::move(openShutdownDialog)) {}

    bool StartProgram(const QString& program, const QStringList& arguments, const QString& directory) override;
    bool OpenDocument(const QUrl& target) override;
    void OpenShutdownDialog(const QString& computer) override { m_openShutdownDialog(computer); }

private:
    std::function<void(const QString&)> m_openShutdownDialog;
};
