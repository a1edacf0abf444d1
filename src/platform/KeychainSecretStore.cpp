#include "KeychainSecretStore.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace {

const QString Service = QStringLiteral("Dormiva");

// The jobs only run asynchronously; the list is read and written in one go, so the caller waits here.
// User input stays blocked meanwhile: the store's own unlock prompt is another process.
QString Run(QKeychain::Job& job) {
    job.setAutoDelete(false);
    bool finished = false;
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    job.start();
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (job.error() == QKeychain::NoError)
        return QString();
    return job.errorString().isEmpty() ? QStringLiteral("error %1").arg(int(job.error())) : job.errorString();
}

} // namespace

QString TKeychainSecretStore::Write(const QString& key, const QByteArray& secret) {
    QKeychain::WritePasswordJob job(Service);
    job.setInsecureFallback(false);
    job.setKey(key);
    job.setBinaryData(secret);
    return Run(job);
}

QString TKeychainSecretStore::Read(const QString& key, QByteArray& secret) {
    QKeychain::ReadPasswordJob job(Service);
    job.setInsecureFallback(false);
    job.setKey(key);
    const QString error = Run(job);
    if (error.isEmpty())
        secret = job.binaryData();
    return error;
}
