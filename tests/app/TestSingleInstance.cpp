#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <unistd.h>

// Starts the real program: a second start in the same session raises the first copy's window and
// ends with code 0; the lock dies with a killed copy; separate sessions and users run their own copy,
// but never two copies on one settings folder.
class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void secondStartRaisesTheFirstAndEnds();
    void startAfterACrashRunsNormally();
    void twoSessionsEachRunTheirOwnCopy();
    void twoUsersEachRunTheirOwnCopy();
    void foreignRuntimeFolderIsRefused();
    void twoSessionsOnOneSettingsFolderRunOneCopy();

private:
    struct TCopy {
        std::unique_ptr<QProcess> Process;
        QByteArray Errors;
    };
    // Starts a copy with its own settings folder; runtimeDir empty leaves XDG_RUNTIME_DIR unset.
    TCopy& Start(const QString& runtimeDir, const QString& configDir, const QStringList& runAs = {});
    bool Says(TCopy& copy, const char* text, int timeout = 10000);
    QString NewFolder(QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    std::vector<std::unique_ptr<TCopy>> m_copies;
    std::vector<std::unique_ptr<QTemporaryDir>> m_folders;
    QString m_temp; // TMPDIR of the copies: where the fallback runtime folders go
};

void TestSingleInstance::init() {
    m_temp = NewFolder(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::WriteOther |
                       QFile::ExeOther | QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup);
}

void TestSingleInstance::cleanup() {
    for (const auto& copy : m_copies) {
        copy->Process->kill();
        copy->Process->waitForFinished(5000);
    }
    m_copies.clear();
    m_folders.clear();
}

QString TestSingleInstance::NewFolder(QFile::Permissions permissions) {
    m_folders.push_back(std::make_unique<QTemporaryDir>());
    const QString path = m_folders.back()->path();
    QFile::setPermissions(path, permissions);
    return path;
}

TestSingleInstance::TCopy& TestSingleInstance::Start(const QString& runtimeDir, const QString& configDir,
                                                     const QStringList& runAs) {
    auto copy = std::make_unique<TCopy>();
    copy->Process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"),
               QStringLiteral("dormiva.instance.info=true\ndormiva.settings.info=true"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    env.insert(QStringLiteral("HOME"), configDir);
    env.insert(QStringLiteral("TMPDIR"), m_temp);
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!runtimeDir.isEmpty())
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    copy->Process->setProcessEnvironment(env);
    const QString program = QStringLiteral(DORMIVA_BINARY_DIR "/src/app/dormiva");
    if (runAs.isEmpty())
        copy->Process->start(program, {});
    else
        copy->Process->start(runAs.first(), runAs.mid(1) + QStringList{program});
    m_copies.push_back(std::move(copy));
    return *m_copies.back();
}

bool TestSingleInstance::Says(TCopy& copy, const char* text, int timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!copy.Errors.contains(text) && timer.elapsed() < timeout) {
        copy.Process->waitForReadyRead(100);
        copy.Errors += copy.Process->readAllStandardError();
        if (copy.Process->state() == QProcess::NotRunning)
            copy.Errors += copy.Process->readAllStandardError();
    }
    return copy.Errors.contains(text);
}

void TestSingleInstance::secondStartRaisesTheFirstAndEnds() {
    const QString runtime = NewFolder();
    const QString firstConfig = NewFolder();
    TCopy& first = Start(runtime, firstConfig);
    QVERIFY2(Says(first, "registered"), first.Errors);
    // The copy that runs has read its options: the files are in place before the window shows.
    QTRY_VERIFY(QFile::exists(firstConfig + QStringLiteral("/Vardolin/Dormiva/options.xml")));
    QTRY_VERIFY(QFile::exists(firstConfig + QStringLiteral("/Vardolin/Dormiva/default.dvl")));

    const QString secondConfig = NewFolder();
    TCopy& second = Start(runtime, secondConfig);
    QVERIFY(second.Process->waitForFinished(15000));
    QCOMPARE(second.Process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.Process->exitCode(), 0);
    QVERIFY(Says(second, "answered: true"));
    QVERIFY(!second.Errors.contains("registered"));
    QVERIFY2(Says(first, "window raised"), first.Errors);
    QVERIFY(first.Process->state() == QProcess::Running);
    // The second copy read and wrote no settings.
    QCOMPARE(QDir(secondConfig).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestSingleInstance::startAfterACrashRunsNormally() {
    const QString runtime = NewFolder();
    TCopy& first = Start(runtime, NewFolder());
    QVERIFY(Says(first, "registered"));
    first.Process->kill();
    QVERIFY(first.Process->waitForFinished(5000));

    TCopy& next = Start(runtime, NewFolder());
    QVERIFY2(Says(next, "registered"), next.Errors);
    // It answers the start after it: the leftover socket of the killed copy was replaced.
    TCopy& third = Start(runtime, NewFolder());
    QVERIFY(third.Process->waitForFinished(15000));
    QCOMPARE(third.Process->exitCode(), 0);
    QVERIFY(Says(next, "window raised"));
}

void TestSingleInstance::twoSessionsEachRunTheirOwnCopy() {
    TCopy& one = Start(NewFolder(), NewFolder());
    TCopy& two = Start(NewFolder(), NewFolder());
    QVERIFY(Says(one, "registered"));
    QVERIFY(Says(two, "registered"));
    QVERIFY(one.Process->state() == QProcess::Running && two.Process->state() == QProcess::Running);
}

void TestSingleInstance::twoUsersEachRunTheirOwnCopy() {
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (getuid() != 0 || setpriv.isEmpty())
        QSKIP("needs root and setpriv to start a copy as another user");
    const QStringList asNobody{setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                               QStringLiteral("--clear-groups")};
    if (QProcess::execute(setpriv,
                          asNobody.mid(1) + QStringList{QStringLiteral("test"), QStringLiteral("-x"),
                                                        QStringLiteral(DORMIVA_BINARY_DIR "/src/app/dormiva")}) != 0)
        QSKIP("the program cannot be run by user nobody from this build folder");
    const QFile::Permissions open =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    // Neither has XDG_RUNTIME_DIR: each user gets a private folder of its own in the temporary folder.
    TCopy& root = Start({}, NewFolder(open));
    TCopy& nobody = Start({}, NewFolder(open), asNobody);
    QVERIFY2(Says(root, "registered"), root.Errors);
    QVERIFY2(Says(nobody, "registered"), nobody.Errors);
    QVERIFY(QFileInfo::exists(m_temp + QStringLiteral("/dormiva-0")));
    QVERIFY(QFileInfo::exists(m_temp + QStringLiteral("/dormiva-65534")));
}

void TestSingleInstance::foreignRuntimeFolderIsRefused() {
    // A fallback folder that others may enter is not trusted with the lock.
    QVERIFY(QDir(m_temp).mkdir(QStringLiteral("dormiva-%1").arg(getuid())));
    QFile::setPermissions(m_temp + QStringLiteral("/dormiva-%1").arg(getuid()),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    TCopy& copy = Start({}, NewFolder());
    QVERIFY(copy.Process->waitForFinished(15000));
    QCOMPARE(copy.Process->exitCode(), 1);
}

void TestSingleInstance::twoSessionsOnOneSettingsFolderRunOneCopy() {
    // Two desktop sessions of one user: separate runtime folders, one home.
    const QString config = NewFolder();
    TCopy& first = Start(NewFolder(), config);
    QVERIFY2(Says(first, "settings folder claimed"), first.Errors);
    const QString settings = config + QStringLiteral("/Vardolin/Dormiva/");
    auto content = [&settings](const char* name) {
        QFile file(settings + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    const QByteArray options = content("options.xml");
    const QByteArray list = content("default.dvl");

    // The second copy says why it stops (a message box, here never answered) and claims nothing.
    TCopy& second = Start(NewFolder(), config);
    QVERIFY2(Says(second, "settings folder in use by another copy"), second.Errors);
    QVERIFY(!second.Errors.contains("settings folder claimed"));
    QVERIFY(first.Process->state() == QProcess::Running);
    second.Process->kill();
    QVERIFY(second.Process->waitForFinished(5000));
    QCOMPARE(content("options.xml"), options);
    QCOMPARE(content("default.dvl"), list);

    // The lock ends with the copy that held it, however it ends.
    first.Process->kill();
    QVERIFY(first.Process->waitForFinished(5000));
    TCopy& next = Start(NewFolder(), config);
    QVERIFY2(Says(next, "settings folder claimed"), next.Errors);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
