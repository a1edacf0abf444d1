#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A text could not be converted into the value it should hold; Message() is ready to be shown.
class EConvertError : public std::exception {
public:
    explicit EConvertError(const QString& message) : m_message(message), m_what(message.toUtf8()) {}
    const QString& Message() const { return m_message; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};
