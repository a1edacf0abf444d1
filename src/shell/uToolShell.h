#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// What running a tool asks of the desktop. The program answers with the desktop's own services;
// tests record or script the answers.
class IToolShell {
public:
    virtual ~IToolShell() = default;
    // Starts the program on its own, never through a shell; false when it could not be started.
    virtual bool StartProgram(const QString& program, const QStringList& arguments, const QString& directory) = 0;
    // Hands a document or an address to the desktop's handler for it; false when none took it.
    virtual bool OpenDocument(const QUrl& target) = 0;
    // The single-computer shutdown dialog for the computer.
    virtual void OpenShutdownDialog(const QString& computer) = 0;
};
