#include "TScriptedSecretStore.h"

QString TScriptedSecretStore::Write(const QString& key, const QByteArray& secret) {
    if (!Failure.isEmpty())
        return Failure;
    ++Writes;
    Items.insert(key, secret);
    return QString();
}

QString TScriptedSecretStore::Read(const QString& key, QByteArray& secret) {
    ++Reads;
    if (!Failure.isEmpty())
        return Failure;
    if (!Items.contains(key))
        return QStringLiteral("no such item");
    secret = Items.value(key);
    return QString();
}
