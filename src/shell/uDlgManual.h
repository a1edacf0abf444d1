#pragma once

#include <QDialog>

class QTextBrowser;

// The user manual shipped in the program, shown as rendered Markdown; links to the web open in the browser.
class TDlgManual : public QDialog {
    Q_OBJECT
public:
    explicit TDlgManual(QWidget* parent = nullptr);

    QTextBrowser* txtManual;
};
