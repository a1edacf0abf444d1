#pragma once

#include <QByteArray>
#include <QString>

// A place for secrets outside the program's files: the desktop's secret store, or a scripted one in
// tests. Called on the main thread.
class ISecretStore {
public:
    virtual ~ISecretStore() = default;
    // Keeps secret under key, replacing what was there. Returns empty, or why the store did not take it.
    virtual QString Write(const QString& key, const QByteArray& secret) = 0;
    // The secret under key. Returns empty, or why it cannot be read (also when there is none).
    virtual QString Read(const QString& key, QByteArray& secret) = 0;
};
