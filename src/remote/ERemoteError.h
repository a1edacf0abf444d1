#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A failed remote call: the text says what happened in words the operator can act on; the code is the
// remote system's error number where there is one (0 otherwise).
class ERemoteError : public std::exception {
public:
    explicit ERemoteError(QString text, qint64 code = 0, QString computer = QString(), bool unanswered = false);

    // The request went out whole but its answer did not come in time: the computer may act on it.
    bool Unanswered() const { return m_Unanswered; }

    const QString& Text() const { return m_Text; }
    qint64 Code() const { return m_Code; }
    // The computer the call went to, when the text itself does not name it.
    const QString& Computer() const { return m_Computer; }
    const char* what() const noexcept override { return m_What.constData(); }

private:
    QString m_Text;
    qint64 m_Code;
    QString m_Computer;
    bool m_Unanswered;
    QByteArray m_What;
};
