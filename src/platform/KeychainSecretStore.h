#pragma once

#include "SecretStore.h"

// The desktop's secret store through QtKeychain: Secret Service or KWallet on Linux, the credential
// manager on Windows. Each call waits for the store, which may first ask the user to unlock it.
class TKeychainSecretStore : public ISecretStore {
public:
    QString Write(const QString& key, const QByteArray& secret) override;
    QString Read(const QString& key, QByteArray& secret) override;
};
