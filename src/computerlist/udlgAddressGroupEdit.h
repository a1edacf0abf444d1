#pragma once

#include "uEntryDialogParts.h"
#include "uUserConnectAs.h"

#include <QDialog>

class QAction;
class QLineEdit;
class TCredentialsFrame;

// Adds or edits a group: its name and its credentials. OK (action actAdd) is enabled only while the
// name is given and, for "The following user:", both user name and password are.
class TdlgAddressGroupEdit : public QDialog {
    Q_OBJECT
public:
    explicit TdlgAddressGroupEdit(QWidget* parent);

    void SetValues(const QString& name, TUserConnectAs mode, const QString& userName, const QString& password,
                   bool credentialsVisible);
    void ReadValues(QString& name, TUserConnectAs& mode, QString& userName, QString& password) const;

private:
    void UpdateAddAction();

    TEntryPages m_pages;
    QLineEdit* m_name;
    TCredentialsFrame* m_credentials;
    QAction* m_add;
};

// The group dialog with the add (true) or edit caption; on OK writes the results back and returns true.
bool ExecuteGroupEditDialog(QWidget* parent, QString& name, TUserConnectAs& mode, QString& userName, QString& password,
                            bool credentialsVisible, bool add);
