#include "uSecretStorePasswords.h"

#include "SecretStore.h"

#include <QJsonArray>
#include <QJsonDocument>

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
    for (const QString& reference : references) {
        const QString listId = ListId(reference);
        if (m_fetched.contains(listId))
            continue;
        QByteArray secret;
        const QString error = m_store->Read(StoreKey(listId), secret);
        if (!error.isEmpty())
            return error;
        QStringList passwords;
        for (const QJsonValue& value : QJsonDocument::fromJson(secret).array())
            passwords.append(value.toString());
        m_fetched.insert(listId, passwords);
    }
    return QString();
}

QString TSecretStorePasswords::Password(const QString& reference) const {
    bool isNumber = false;
    const int index = reference.section(u'/', 1).toInt(&isNumber);
    return isNumber ? m_fetched.value(ListId(reference)).value(index) : QString();
}
