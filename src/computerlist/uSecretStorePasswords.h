#pragma once

#include <QString>
#include <QStringList>

class ISecretStore;

// The passwords of one list file kept in a secret store instead of the file: one store item per list
// file, a JSON array of its passwords, and in the file each entry names its place as "LISTID/INDEX".
class TSecretStorePasswords {
public:
    explicit TSecretStorePasswords(ISecretStore& store) : m_store(&store) {}

    // Writing: gathers the password for the item of list listId and returns its reference.
    QString Add(const QString& listId, const QString& password);
    // Writes the gathered item, replacing the list's earlier one. Returns empty or why the store failed.
    QString Commit();

    // Reading: fetches the item the first reference points into. Returns empty or why the store failed.
    QString Fetch(const QStringList& references);
    // The password a reference points to; empty when there is none.
    QString Password(const QString& reference) const;
    static QString ListId(const QString& reference) { return reference.section(u'/', 0, 0); }

private:
    static QString StoreKey(const QString& listId) { return QStringLiteral("computer list ") + listId; }

    ISecretStore* m_store;
    QString m_listId;
    QStringList m_gathered;
    QString m_fetchedId;
    QStringList m_fetched;
};
