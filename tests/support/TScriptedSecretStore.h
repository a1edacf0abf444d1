#pragma once

#include "SecretStore.h"

#include <QHash>

// A secret store in memory; Failure, when set, is the answer of every call instead.
class TScriptedSecretStore : public ISecretStore {
public:
    QString Write(const QString& key, const QByteArray& secret) override;
    QString Read(const QString& key, QByteArray& secret) override;

    QHash<QString, QByteArray> Items;
    QString Failure;
    int Writes = 0;
    int Reads = 0;
};
