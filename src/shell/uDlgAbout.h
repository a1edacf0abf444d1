#pragma once

#include "PlatformFileVersion.h"

#include <QDateTime>
#include <QDialog>
#include <QUrl>

// The About box: product name, version with its build flags and build date, and a link to the
// maker's home page.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(QWidget* owner, const TFixedFileInfo& version, const QDateTime& buildDate, const QUrl& homePage);

private:
    void OpenHomePage();

    QUrl m_homePage;
};

// The build flags as the About box shows them after the version: " (Beta)" for 0x1, " (Pre-Release)"
// for 0x2, " (Special build)" for 0x20; when several are set the last of these wins.
QString AboutFlagsText(quint32 flags);

// Shows the About box for the running program over the main window; homePage is the address opened by
// the icon and the link, with the query suffix already appended.
void ShowAboutBox(QWidget* mainWindow, const QUrl& homePage);
