#pragma once

#include "uEntryDialogParts.h"
#include "uUserConnectAs.h"

#include <QDialog>

class IComputerBrowser;
class IUserPrompts;
class QLineEdit;
class TCredentialsFrame;

// Adds or edits a computer: name or address, description, hardware address and credentials. OK is always enabled and
// checks the input when clicked; faults are reported through prompts and keep the dialog open.
class TdlgAddressComputerAndDescriptionEdit : public QDialog {
    Q_OBJECT
public:
    // browser may be none: "..." then offers nothing to pick.
    TdlgAddressComputerAndDescriptionEdit(QWidget* parent, IUserPrompts& prompts, IComputerBrowser* browser);

    void SetValues(const QString& name, const QString& description, const QString& hardwareAddress, TUserConnectAs mode,
                   const QString& userName, const QString& password, bool credentialsVisible);
    // The hardware address in its stored form: OK accepts only a valid one, or none.
    void ReadValues(QString& name, QString& description, QString& hardwareAddress, TUserConnectAs& mode,
                    QString& userName, QString& password) const;

private:
    void CheckAndAccept();
    void SelectComputer();

    IUserPrompts& m_prompts;
    IComputerBrowser* m_browser;
    TEntryPages m_pages;
    QLineEdit* m_computerName;
    QLineEdit* m_description;
    QLineEdit* m_hardwareAddress;
    TCredentialsFrame* m_credentials;
};

// The computer dialog, with the edit caption when name comes in non-empty, else the add caption and
// empty fields; on OK writes the results back and returns true.
bool ExecuteComputerEditDialog(QWidget* parent, IUserPrompts& prompts, IComputerBrowser* browser, QString& name,
                               QString& description, QString& hardwareAddress, TUserConnectAs& mode, QString& userName,
                               QString& password, bool credentialsVisible);
