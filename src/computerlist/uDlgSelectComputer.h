#pragma once

#include <QDialog>

class IComputerBrowser;
class QListWidget;
class QPushButton;

// Lists the computers of the network browse list for picking one.
class TdlgSelectComputer : public QDialog {
    Q_OBJECT
public:
    // browser may be none: the list then stays empty.
    TdlgSelectComputer(QWidget* parent, IComputerBrowser* browser);
    QString SelectedComputer() const;

private:
    QListWidget* m_computers;
    QPushButton* m_ok;
};

// Shows the list; a picked computer replaces name and true is returned, Cancel leaves it as it was.
bool ExecuteSelectComputerDialog(QWidget* parent, IComputerBrowser* browser, QString& name);
