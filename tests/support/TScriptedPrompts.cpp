#include "TScriptedPrompts.h"

#include <QTest>

TPromptResult TScriptedPrompts::Ask(const QString& text, const QString& caption, TPromptButtons buttons,
                                    TPromptIcon icon) {
    m_asked.append({text, caption, buttons, icon});
    if (m_answers.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected prompt: ") + text), __FILE__, __LINE__);
        return TPromptResult::Cancel;
    }
    return m_answers.takeFirst();
}
