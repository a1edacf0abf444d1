#include "uSecretStorePasswords.h"

#include "SecretStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

QString TSecretStorePasswords::Add(const QString& listId, const QString& password) {
    m_listId = listId;
    m_gathered.append(password);
    return listId + u'/' + QString::number(m_gathered.size() - 1);
}

QString TSecretStorePasswords::Commit() {
    return m_store->Write(StoreKey(m_listId),
                          QJsonDocument(QJsonArray::fromStringList(m_gathered)).toJson(QJsonDocument::Compact));
}

QString TSecretStorePasswords::Fetch(const QStringList& references) {
    // A list file has one item. References to others, as a hand-edited file may hold by the thousand,
    // give no password rather than a call to the store each.
    m_fetchedId = references.isEmpty() ? QString() : ListId(references.first());
    if (QUuid::fromString(m_fetchedId).isNull())
        return QString();
    QByteArray secret;
    const QString error = m_store->Read(StoreKey(m_fetchedId), secret);
    if (!error.isEmpty())
        return error;
    for (const QJsonValue& value : QJsonDocument::fromJson(secret).array())
        m_fetched.append(value.toString());
    return QString();
}

QString TSecretStorePasswords::Password(const QString& reference) const {
    bool isNumber = false;
    const int index = reference.section(u'/', 1).toInt(&isNumber);
    return isNumber && ListId(reference) == m_fetchedId ? m_fetched.value(index) : QString();
}
