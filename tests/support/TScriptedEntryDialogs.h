#pragma once

#include "uEntryDialogs.h"

#include <QList>

// Answers the group and computer dialogs from a queue: each answer says whether OK is pressed and
// which values the form holds then. Every call is recorded with the values it was opened with; a call
// without a queued answer fails the running test and is answered with Cancel.
class TScriptedEntryDialogs : public IEntryDialogs {
public:
    struct TForm {
        QString Name;
        QString Description;
        TUserConnectAs Mode = ucInherited;
        QString UserName;
        QString Password;
        QString HardwareAddress; // computer dialog only
    };
    struct TCall {
        bool Group = false;
        bool Add = false; // group dialog only
        TForm Opened;
    };

    void Accept(const TForm& form) { m_answers.append(TAnswer{true, form}); }
    void Cancel() { m_answers.append(TAnswer{false, {}}); }
    const QList<TCall>& Calls() const { return m_calls; }

    bool ExecuteGroupEditDialog(QString& name, TUserConnectAs& mode, QString& userName, QString& password,
                                bool credentialsVisible, bool add) override;
    bool ExecuteComputerEditDialog(QString& name, QString& description, QString& hardwareAddress, TUserConnectAs& mode,
                                   QString& userName, QString& password, bool credentialsVisible) override;

private:
    struct TAnswer {
        bool Ok;
        TForm Form;
    };
    bool Run(TCall call, TForm& form);

    QList<TAnswer> m_answers;
    QList<TCall> m_calls;
};
