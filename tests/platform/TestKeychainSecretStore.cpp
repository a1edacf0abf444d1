#include "KeychainSecretStore.h"
#include "TEnglishTexts.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "uComputerList.h"
#include "uComputerListFile.h"
#include "uProgramOptions.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>

// The desktop's secret store for real: a private session bus (no service activation, so nothing
// starts behind the test's back) and a Secret Service of gnome-keyring on it, both stopped by process id.
class TestKeychainSecretStore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void withoutAStoreTheFileKeepsThem();
    void listPasswordsGoThroughTheStore();

private:
    bool StartKeyring();
    // Saves a list with one stored password as the list file, then loads it into a new list; returns what
    // the new list holds as that password.
    QString SaveAndLoad(const QString& password, QByteArray& content);

    QTemporaryDir m_Folder;
    QProcess m_Bus;
    QProcess m_Keyring;
    TEnglishTexts m_English;
    TKeychainSecretStore m_Store;
    TScriptedPrompts m_Prompts;
};

void TestKeychainSecretStore::initTestCase() {
    QVERIFY(m_English.IsLoaded());
    for (const char* program : {"dbus-daemon", "gnome-keyring-daemon"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
            std::fprintf(stderr, "SKIP: %s is missing (install dbus-daemon and gnome-keyring)\n", program);
            std::exit(77);
        }
    }
    m_Bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=" DORMIVA_SOURCE_DIR "/tests/data/secretstore/session-bus.conf"),
                 QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    QVERIFY(m_Bus.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(m_Bus.waitForReadyRead(100) || m_Bus.canReadLine(), 10000);
    const QByteArray address = m_Bus.readLine().trimmed();
    QVERIFY(address.startsWith("unix:"));
    // Before the first use of D-Bus in this process; the desktop decides which store QtKeychain asks.
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
}

void TestKeychainSecretStore::cleanupTestCase() {
    for (QProcess* process : {&m_Keyring, &m_Bus}) {
        process->kill();
        process->waitForFinished(5000);
    }
}

bool TestKeychainSecretStore::StartKeyring() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString home = m_Folder.filePath(QStringLiteral("home"));
    const QString runtime = m_Folder.filePath(QStringLiteral("run"));
    QDir().mkpath(home);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    m_Keyring.setProcessEnvironment(environment);
    // --unlock reads the password of a new login keyring from stdin, so no prompt is ever needed.
    m_Keyring.start(QStringLiteral("gnome-keyring-daemon"), {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                                                             QStringLiteral("--components=secrets")});
    if (!m_Keyring.waitForStarted(10000))
        return false;
    m_Keyring.write("test-keyring");
    m_Keyring.closeWriteChannel();
    // Ready once it owns its bus name and takes an item.
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (m_Store.Write(QStringLiteral("probe"), "probe").isEmpty())
            return true;
        QTest::qWait(200);
    }
    return false;
}

QString TestKeychainSecretStore::SaveAndLoad(const QString& password, QByteArray& content) {
    TProgramOptions options;
    options.bPasswordsInSecretStore = true;
    TScriptedEntryDialogs entryDialogs;
    TScriptedFileDialogs fileDialogs;
    const QString path = m_Folder.filePath(QStringLiteral("list.dvl"));
    TComputerList list(options, m_Prompts, entryDialogs);
    list.SetFileName(path);
    TComputerObject* computer = list.NewComputer(QStringLiteral("pc1"), QString(), nullptr);
    computer->SetUserConnectAs(ucFollowingUser);
    computer->SetUserName(QStringLiteral("admin"));
    computer->SetUserPassword(password);
    TComputerListFile(list, options, m_Prompts, fileDialogs, &m_Store).SaveToFile(path);
    QFile file(path);
    content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();

    TComputerList again(options, m_Prompts, entryDialogs);
    again.SetFileName(path);
    TComputerListFile(again, options, m_Prompts, fileDialogs, &m_Store).LoadFromFile(path);
    return again.Items().empty() ? QStringLiteral("<none>") : again.Items().front()->UserPassword();
}

void TestKeychainSecretStore::withoutAStoreTheFileKeepsThem() {
    QByteArray secret;
    QVERIFY(!m_Store.Read(QStringLiteral("anything"), secret).isEmpty());
    m_Prompts = TScriptedPrompts();
    m_Prompts.Answer(TPromptResult::OK);
    QByteArray content;
    QCOMPARE(SaveAndLoad(QStringLiteral("kept in the file"), content), QStringLiteral("kept in the file"));
    QCOMPARE(m_Prompts.Asked().size(), 1);
    QVERIFY(m_Prompts.Asked()[0].Text.startsWith("The desktop's secret store cannot keep the passwords"));
    QVERIFY(content.contains("<UserPassword>"));
    QVERIFY(!content.contains("<PasswordInStore>"));
}

void TestKeychainSecretStore::listPasswordsGoThroughTheStore() {
    QVERIFY2(StartKeyring(), m_Keyring.readAllStandardError().constData());
    m_Prompts = TScriptedPrompts();
    QByteArray content;
    QCOMPARE(SaveAndLoad(QStringLiteral("in the keyring"), content), QStringLiteral("in the keyring"));
    QVERIFY(m_Prompts.Asked().isEmpty());
    QVERIFY(content.contains("<PasswordInStore>"));
    QVERIFY(!content.contains("<UserPassword>"));

    QByteArray secret;
    QVERIFY(m_Store.Write(QStringLiteral("round trip"), QByteArray("\x00\xff binary", 9)).isEmpty());
    QVERIFY(m_Store.Read(QStringLiteral("round trip"), secret).isEmpty());
    QCOMPARE(secret, QByteArray("\x00\xff binary", 9));
    QVERIFY(!m_Store.Read(QStringLiteral("never written"), secret).isEmpty());
}

QTEST_GUILESS_MAIN(TestKeychainSecretStore)
#include "TestKeychainSecretStore.moc"
