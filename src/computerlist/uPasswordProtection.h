#pragma once

#include <QString>

#include <memory>
#include <optional>

// Protection of the passwords stored in the list and options files: Blowfish (key = MD5 of the machine
// key) in 8-bit cipher feedback mode, the vector being the encryption of eight zero bytes, no padding,
// then Base64. Every password starts from the same vector; cipher state is wiped when it goes.

// The key binding stored passwords to this computer, user and system volume for security level 1;
// empty for every other level (passwords are then stored in clear text).
QString GetMachineKey(int securityLevel);
// The key made of the three machine values: computer and user name (19 characters each at most) and
// the two low bytes of the volume serial as "HH-LL"; a value that is missing gives an empty part.
QString ComposeMachineKey(const QString& computerName, const QString& userName, std::optional<quint32> volumeSerial);
// The check value of a key: Base64 of its MD5 digest cut before the first zero byte.
QString HashMachineKey(const QString& key);
bool CheckMachineKeyHash(const QString& storedHash, const QString& key);
class TPasswordCipher;

// The protection of one key, for many passwords: setting the cipher's key up is by far the costly
// part, so a list file sets it up once for all its passwords.
class TPasswordProtector {
public:
    explicit TPasswordProtector(const QString& key);
    ~TPasswordProtector();
    TPasswordProtector(const TPasswordProtector&) = delete;
    TPasswordProtector& operator=(const TPasswordProtector&) = delete;

    // Empty password: empty text; empty key: the password itself; else the protected text.
    QString Encrypt(const QString& password) const;
    // Empty text: empty; empty key: the text itself; else the deciphered password.
    QString Decrypt(const QString& stored) const;

private:
    std::unique_ptr<const TPasswordCipher> m_cipher; // none for an empty key
};

// Empty password: empty text; empty key: the password itself; else the protected text.
QString EncryptPassword(const QString& password, const QString& key);
// Empty text: empty; empty key: the text itself; else the deciphered password. A text written under
// another key deciphers to other characters; nothing detects that.
QString DecryptPassword(const QString& stored, const QString& key);
