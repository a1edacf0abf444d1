#pragma once

#include "uUserConnectAs.h"

#include <QDialog>

class IUserPrompts;
class TCredentialsFrame;

// The program-wide default credentials: prompt, current user or an account.
class TDlgAlternateCredentials : public QDialog {
    Q_OBJECT
public:
    TDlgAlternateCredentials(QWidget* parent, IUserPrompts& prompts);

    // Mode 255 chooses prompt, 0 and 1 the current user, 2 the account.
    void SetValues(quint8 mode, const QString& userName, const QString& password);
    void ReadValues(quint8& mode, QString& userName, QString& password) const;

private:
    void CheckAndAccept();

    IUserPrompts& m_prompts;
    TCredentialsFrame* m_credentials;
};

bool ExecuteDefaultCredentialsDialog(QWidget* parent, IUserPrompts& prompts, quint8& mode, QString& userName,
                                     QString& password);
