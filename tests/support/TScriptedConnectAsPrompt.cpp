#include "TScriptedConnectAsPrompt.h"

#include <QTest>

bool TScriptedConnectAsPrompt::ExecuteConnectAsDialog(QString& userName, QString& password) {
    ++m_calls;
    if (m_answers.isEmpty()) {
        QTest::qFail("unexpected Connect As prompt", __FILE__, __LINE__);
        return false;
    }
    const std::optional<TAccount> answer = m_answers.takeFirst();
    if (!answer)
        return false;
    userName = answer->UserName;
    password = answer->Password;
    return true;
}
