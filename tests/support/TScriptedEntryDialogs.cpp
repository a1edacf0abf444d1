#include "TScriptedEntryDialogs.h"

#include <QTest>

bool TScriptedEntryDialogs::Run(TCall call, TForm& form) {
    call.Opened = form;
    m_calls.append(call);
    if (m_answers.isEmpty()) {
        QTest::qFail("unexpected entry dialog", __FILE__, __LINE__);
        return false;
    }
    const TAnswer answer = m_answers.takeFirst();
    if (answer.Ok)
        form = answer.Form;
    return answer.Ok;
}

bool TScriptedEntryDialogs::ExecuteGroupEditDialog(QString& name, TUserConnectAs& mode, QString& userName,
                                                   QString& password, bool, bool add) {
    TForm form{name, {}, mode, userName, password, {}};
    if (!Run({true, add, {}}, form))
        return false;
    name = form.Name;
    mode = form.Mode;
    userName = form.UserName;
    password = form.Password;
    return true;
}

bool TScriptedEntryDialogs::ExecuteComputerEditDialog(QString& name, QString& description, QString& hardwareAddress,
                                                      TUserConnectAs& mode, QString& userName, QString& password,
                                                      bool) {
    TForm form{name, description, mode, userName, password, hardwareAddress};
    if (!Run({false, false, {}}, form))
        return false;
    name = form.Name;
    description = form.Description;
    hardwareAddress = form.HardwareAddress;
    mode = form.Mode;
    userName = form.UserName;
    password = form.Password;
    return true;
}
