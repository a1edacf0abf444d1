#pragma once

#include "uConnectAsPrompt.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Answers "Connect As..." from a queue: an account for OK, none for Cancel. Counts the calls; a call
// without a queued answer fails the running test.
class TScriptedConnectAsPrompt : public IConnectAsPrompt {
public:
    struct TAccount {
        QString UserName;
        QString Password;
    };

    void Enter(const QString& userName, const QString& password) { m_answers.append(TAccount{userName, password}); }
    void Cancel() { m_answers.append(std::nullopt); }
    int Calls() const { return m_calls; }
    // What each call named, in order.
    const QStringList& Subjects() const { return m_subjects; }

    bool ExecuteConnectAsDialog(const QString& subject, QString& userName, QString& password) override;

private:
    QList<std::optional<TAccount>> m_answers;
    int m_calls = 0;
    QStringList m_subjects;
};
