#pragma once

#include "uCommandList.h"

#include <QDialog>

class IFileDialogs;
class QAction;
class QLineEdit;
class QPushButton;

// Name, program, parameters and working directory of one tool. OK is possible while the name and
// the program are given.
class TDlgCommandListEdit : public QDialog {
    Q_OBJECT
public:
    TDlgCommandListEdit(QWidget* parent, IFileDialogs& fileDialogs);

    // Fills the fields; the title says whether a tool is added (no name) or edited.
    void SetValues(const TCommandListItem& tool);
    // Name, FileName, Parameters and Directory from the fields; the other fields stay.
    void ReadValues(TCommandListItem& tool) const;

    QLineEdit* edName;
    QLineEdit* edFileName;
    QLineEdit* edParameters;
    QLineEdit* edDirectory;
    QPushButton* btnFileName;
    QPushButton* btnDirectory;
    QAction* actOK;

private:
    void ChooseFileName();
    void ChooseDirectory();

    IFileDialogs& m_fileDialogs;
};

bool ExecuteCommandListEditDialog(QWidget* parent, IFileDialogs& fileDialogs, TCommandListItem& tool);
