#include "TScriptedConnectAsPrompt.h"

#include <QTest>

bool TScriptedConnectAsPrompt::ExecuteConnectAsDialog(const QString& subject, QString& userName, QString& password) {
    ++m_calls;
    m_subjects.append(subject);
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
