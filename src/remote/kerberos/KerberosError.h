#pragma once

#include <QString>

#include <stdexcept>

// A Kerberos logon that cannot be made or kept. The kind lets the caller tell the failures apart that
// the operator meets and mends differently; the text is translated and names the cause.
class TKerberosError : public std::runtime_error {
public:
    enum class TKind { WrongPassword, NoTicket, UnknownService, Other };

    TKerberosError(TKind kind, const QString& text)
        : std::runtime_error(text.toStdString()), m_Kind(kind), m_Text(text) {}
    TKind Kind() const { return m_Kind; }
    const QString& Text() const { return m_Text; }

private:
    TKind m_Kind;
    QString m_Text;
};
