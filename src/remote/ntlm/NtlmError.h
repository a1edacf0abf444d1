#pragma once

#include <QString>

#include <stdexcept>

// Raised when an NTLM message or a sealed body cannot be used: malformed, hostile or tampered input,
// or a peer that does not offer what the session needs. The text is a translated message that names
// what went wrong; it never carries a password, a key or a hash.
class TNtlmError : public std::runtime_error {
public:
    explicit TNtlmError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& Text() const { return m_text; }

private:
    QString m_text;
};
