#include "uDesktopToolShell.h"

#include <QDesktopServices>
#include <QProcess>

bool TDesktopToolShell::StartProgram(const QString& program, const QStringList& arguments, const QString& directory) {
    return QProcess::startDetached(program, arguments, directory);
}

bool TDesktopToolShell::OpenDocument(const QUrl& target) {
    return QDesktopServices::openUrl(target);
}
