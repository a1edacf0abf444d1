#include "LangChanger.h"
#include "TScriptedPrompts.h"
#include "TScriptedSecretStore.h"
#include "uPasswordProtection.h"
#include "uProgramOptions.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// Each test runs against a settings root (XDG_CONFIG_HOME) and a program folder of its own.
class TestProgramOptions : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { SetCurrentLangChanger(nullptr); }
    void systemWideSwitch_data();
    void systemWideSwitch();
    void foldersFromBuildTreeAndInstalledPrefix();
    void demoStartsAfreshBesideTheUsersSettings();
    void firstStartCopiesDefaultsOnce();
    void firstStartWithoutDefaultsCreatesEmptyFiles();
    void languageFilesReplacedEveryStart();
    void defaultsFromEmptyFile();
    void writesInOrder();
    void outOfRangeSecurityLevelBecomesOne();
    void defaultUserUnderLevelZeroIsDropped();
    void defaultUserRoundTripAtLevelOne();
    void defaultPasswordInTheSecretStore_data();
    void defaultPasswordInTheSecretStore();
    void windowPlacement();
    void maximizedKeepsNormalPlacement();
    void remoteOptions();
    void settingsAreTheUsersAlone_data();
    void settingsAreTheUsersAlone();
    void maxProbesInFlight_data();
    void maxProbesInFlight();
    void startsAndReleasesLanguage();

private:
    static void WriteFile(const QString& path, const QByteArray& content);
    static QByteArray ReadFile(const QString& path);
    TProgramOptions Load(const QStringList& arguments = {}, ISecretStore* store = nullptr);
    void Save(TProgramOptions& options, ISecretStore* store = nullptr);
    QString SettingsFolder() const { return m_dir->filePath("config/Vardolin/Dormiva/"); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_program;
    TScriptedPrompts m_prompts;
};

void TestProgramOptions::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_dir->filePath("config").toUtf8());
    m_program = m_dir->filePath("program/");
    QDir().mkpath(m_program);
    m_prompts = TScriptedPrompts();
}

void TestProgramOptions::WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
}

QByteArray TestProgramOptions::ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TProgramOptions TestProgramOptions::Load(const QStringList& arguments, ISecretStore* store) {
    TProgramOptions options;
    LoadProgramOptions(options, {QStringList{"dormiva"} + arguments, m_program, QSize(1920, 1080)}, m_prompts, store);
    return options;
}

void TestProgramOptions::Save(TProgramOptions& options, ISecretStore* store) {
    SaveProgramOptions(options, m_prompts, store);
}

void TestProgramOptions::systemWideSwitch_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("systemWide");
    QTest::newRow("none") << QStringList{} << false;
    QTest::newRow("dash") << QStringList{"-systemwideconfig"} << true;
    QTest::newRow("slash capitals, later position") << QStringList{"x", "/SYSTEMWIDECONFIG"} << true;
    QTest::newRow("mixed case") << QStringList{"-SystemWideConfig"} << true;
    QTest::newRow("bare word") << QStringList{"systemwideconfig"} << false;
    QTest::newRow("double dash") << QStringList{"--systemwideconfig"} << false;
    QTest::newRow("with value") << QStringList{"-systemwideconfig=1"} << false;
}

void TestProgramOptions::systemWideSwitch() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, systemWide);
    QCOMPARE(IsSystemWideConfig(arguments), systemWide);
    TProgramOptions options;
    ComputeFolders(options, {QStringList{"dormiva"} + arguments, m_program, {}});
    QCOMPARE(options.SettingsFolder, systemWide ? QString("/etc/xdg/Vardolin/Dormiva/") : SettingsFolder());
    QCOMPARE(options.LanguageFolder, options.SettingsFolder + "languages/");
}

void TestProgramOptions::foldersFromBuildTreeAndInstalledPrefix() {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(GetConfigRootFolder(false), QDir::cleanPath(qEnvironmentVariable("HOME") + "/.config"));
    qputenv("XDG_CONFIG_HOME", "relative/path"); // only an absolute path counts
    QCOMPARE(GetConfigRootFolder(false), QDir::cleanPath(qEnvironmentVariable("HOME") + "/.config"));
    qputenv("XDG_CONFIG_HOME", saved);

    TProgramOptions options;
    const QString prefix = m_dir->filePath("usr/");
    QDir().mkpath(prefix + "bin");
    QDir().mkpath(prefix + "share/dormiva/languages");
    ComputeFolders(options, {{}, prefix + "bin", {}});
    QCOMPARE(options.ProgramFolder, prefix + "bin/");
    QCOMPARE(options.ShippedLanguageFolder, prefix + "share/dormiva/languages/");
    QCOMPARE(options.DefaultsFolder, prefix + "share/dormiva/Default/");

    QDir().mkpath(prefix + "bin/Default"); // the build tree keeps the files beside the program
    ComputeFolders(options, {{}, prefix + "bin", {}});
    QCOMPARE(options.DefaultsFolder, prefix + "bin/Default/");
}

void TestProgramOptions::demoStartsAfreshBesideTheUsersSettings() {
    WriteFile(m_program + "Default/options.xml",
              "<Options><Defaults><iMaxThreads>7</iMaxThreads></Defaults></Options>");
    WriteFile(m_program + "Default/default.dvl", "<List><Computer><Name>own</Name></Computer></List>");
    WriteFile(m_program + "Demo/options.xml", "<Options><Defaults><iMaxThreads>3</iMaxThreads></Defaults></Options>");
    WriteFile(m_program + "Demo/default.dvl", "<List><Computer><Name>demo</Name></Computer></List>");
    TProgramOptions own = Load();
    own.iMaxThreads = 8;
    Save(own);
    const QByteArray ownOptions = ReadFile(SettingsFolder() + "options.xml");

    // Also -systemwideconfig leaves the demo in the user's folder: it must never touch the shared settings.
    const TProgramEnvironment demo{{"dormiva", "-systemwideconfig", "--demo"}, m_program, QSize(1920, 1080), true};
    const QString demoFolder = m_dir->filePath("config/Vardolin/Dormiva-demo/");
    for (int start = 0; start < 2; ++start) {
        TProgramOptions options;
        ComputeFolders(options, demo);
        QCOMPARE(options.SettingsFolder, demoFolder);
        QCOMPARE(options.DefaultsFolder, m_program + "Demo/");
        ResetDemoSettings(options);
        LoadProgramOptions(options, demo, m_prompts);
        QCOMPARE(options.iMaxThreads, 3); // what the last demo saved is gone
        QCOMPARE(options.DefaultHostsFile, demoFolder + "default.dvl");
        QVERIFY(ReadFile(options.DefaultHostsFile).contains("demo"));
        QVERIFY(QFileInfo::exists(demoFolder + "languages"));
        options.iMaxThreads = 5;
        Save(options);
    }
    QCOMPARE(ReadFile(SettingsFolder() + "options.xml"), ownOptions);
    QVERIFY(ReadFile(SettingsFolder() + "default.dvl").contains("own"));
    QVERIFY(m_prompts.Asked().isEmpty());
}

void TestProgramOptions::firstStartCopiesDefaultsOnce() {
    WriteFile(m_program + "Default/options.xml",
              "<?xml version=\"1.0\"?><Options><Defaults><iMaxThreads>7</iMaxThreads></Defaults></Options>");
    WriteFile(m_program + "Default/default.dvl", "<List><Computer><Name>pc1</Name></Computer></List>");
    TProgramOptions options = Load();
    QCOMPARE(options.iMaxThreads, 7);
    QCOMPARE(options.OptionsFile, SettingsFolder() + "options.xml");
    QCOMPARE(options.DefaultHostsFile, SettingsFolder() + "default.dvl");
    QCOMPARE(ReadFile(options.DefaultHostsFile), ReadFile(m_program + "Default/default.dvl"));

    WriteFile(m_program + "Default/options.xml",
              "<Options><Defaults><iMaxThreads>9</iMaxThreads></Defaults></Options>");
    WriteFile(m_program + "Default/default.dvl", "<List/>");
    QCOMPARE(Load().iMaxThreads, 7);
    QVERIFY(ReadFile(SettingsFolder() + "default.dvl").contains("pc1"));
    QVERIFY(m_prompts.Asked().isEmpty());
}

void TestProgramOptions::firstStartWithoutDefaultsCreatesEmptyFiles() {
    TProgramOptions options = Load();
    QCOMPARE(ReadFile(SettingsFolder() + "options.xml"), QByteArray());
    QCOMPARE(ReadFile(SettingsFolder() + "default.dvl"), QByteArray());
    QVERIFY(m_prompts.Asked().isEmpty()); // an empty file is an empty document, not an error
    QCOMPARE(options.iMaxThreads, 10);
    Save(options);
    QCOMPARE(Load().iMaxThreads, 10);
    QVERIFY(m_prompts.Asked().isEmpty());
}

void TestProgramOptions::languageFilesReplacedEveryStart() {
    WriteFile(m_program + "languages/english.lng", "[Translations]\r\nsError=Shipped\r\n");
    WriteFile(m_program + "languages/readme.txt", "not a language");
    WriteFile(SettingsFolder() + "languages/english.lng", "[Translations]\r\nsError=Edited\r\n");
    WriteFile(SettingsFolder() + "languages/mine.lng", "[Translations]\r\nsError=Mine\r\n");
    Load();
    QCOMPARE(ReadFile(SettingsFolder() + "languages/english.lng"), "[Translations]\r\nsError=Shipped\r\n");
    QCOMPARE(ReadFile(SettingsFolder() + "languages/mine.lng"), "[Translations]\r\nsError=Mine\r\n");
    QVERIFY(!QFileInfo::exists(SettingsFolder() + "languages/readme.txt"));
}

void TestProgramOptions::defaultsFromEmptyFile() {
    const TProgramOptions options = Load();
    const TProgramOptions defaults;
    QCOMPARE(options.DefaultLang, "english.lng");
    QCOMPARE(options.DontShowAskWizardIfEmpty, false);
    QCOMPARE(options.DefaultCheckState, 0);
    QCOMPARE(int(options.DefaultTCPPort), 139);
    QCOMPARE(options.DefaultTimeout, 300);
    QCOMPARE(options.iMaxThreads, 10);
    QCOMPARE(options.bConfirmExecute, true); // also for files written before the key existed
    QCOMPARE(options.DefaultSecurityLevel, 1);
    QCOMPARE(int(options.DefaultUserConnectAs), 1);
    QCOMPARE(options.IntervalUpdateComputerList, 180000);
    QCOMPARE(options.AutoUpdateComputerList, true);
    QCOMPARE(options.iComputerListWidth, 200);
    QCOMPARE(int(options.ComputerCaptionStyle), 0);
    QCOMPARE(options.iExportFilterIndex, 1);
    QCOMPARE(options.MainWindowState, 0);
    QCOMPARE(options.LogColumns.size(), 2);
    QCOMPARE(options.LogColumns[1].Position, 1);
    QVERIFY(options.WebQuerySuffix.startsWith("&product=dormiva&version="));
    QCOMPARE(options.RemoteProtocol, defaults.RemoteProtocol);
    QCOMPARE(options.RemoteTimeout, 60);
    QCOMPARE(options.iRestartWaitLimit, 900);
}

static QStringList ChildNames(const QDomElement& parent) {
    QStringList names;
    for (QDomElement child = parent.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
        names.append(child.tagName());
    return names;
}

void TestProgramOptions::writesInOrder() {
    TProgramOptions options = Load();
    Save(options);
    QDomDocument document;
    QVERIFY(document.setContent(ReadFile(options.OptionsFile)));
    const QDomElement root = document.documentElement();
    QCOMPARE(root.tagName(), "Options");
    QCOMPARE(ChildNames(root), (QStringList{"Defaults", "RecentFiles", "Window", "LogColumns"}));
    QCOMPARE(ChildNames(root.firstChildElement("Defaults")), (QStringList{"DefaultLang",
                                                                          "bAlwaysOnTop",
                                                                          "bHideWhenMinimized",
                                                                          "DontShowAskWizardIfEmpty",
                                                                          "DefaultTCPPort",
                                                                          "DefaultTimeout",
                                                                          "DefaultCheckState",
                                                                          "DefaultSecurityLevel",
                                                                          "HashPassword",
                                                                          "DefaultUserName",
                                                                          "DefaultUserPassword",
                                                                          "DefaultUserPasswordInStore",
                                                                          "DefaultUserConnectAs",
                                                                          "IntervalUpdateComputerList",
                                                                          "AutoUpdateComputerList",
                                                                          "ComputerCaptionStyle",
                                                                          "iMaxThreads",
                                                                          "bConfirmExecute",
                                                                          "iExportFilterIndex",
                                                                          "bPasswordsInSecretStore",
                                                                          "DefaultHostsFile",
                                                                          "iComputerListWidth",
                                                                          "RemoteProtocol",
                                                                          "RemotePort",
                                                                          "RemoteAuthentication",
                                                                          "RemoteVerifyCertificate",
                                                                          "RemoteCaFile",
                                                                          "RemoteAllowUnencrypted",
                                                                          "RemoteTimeout",
                                                                          "iRestartWaitLimit",
                                                                          "DirectoryServer",
                                                                          "DirectoryDomain",
                                                                          "MaxProbesInFlight",
                                                                          "iWakeUpWaitSeconds"}));
    QCOMPARE(ChildNames(root.firstChildElement("RecentFiles")), QStringList{"RecentFile"});
    QCOMPARE(
        ChildNames(root.firstChildElement("Window")),
        (QStringList{"MainWindowTop", "MainWindowLeft", "MainWindowWidth", "MainWindowHeight", "MainWindowState"}));
    QCOMPARE(ChildNames(root.firstChildElement("LogColumns")).first(), "Visible0");
    QCOMPARE(root.firstChildElement("Defaults").firstChildElement("HashPassword").text(),
             HashMachineKey(GetMachineKey(1)));
}

void TestProgramOptions::outOfRangeSecurityLevelBecomesOne() {
    WriteFile(SettingsFolder() + "options.xml",
              "<Options><Defaults><DefaultSecurityLevel>5</DefaultSecurityLevel></Defaults></Options>");
    TProgramOptions options = Load();
    QCOMPARE(options.DefaultSecurityLevel, 1);
    Save(options);
    QVERIFY(ReadFile(options.OptionsFile).contains("<DefaultSecurityLevel>1</DefaultSecurityLevel>"));
}

void TestProgramOptions::defaultUserUnderLevelZeroIsDropped() {
    WriteFile(SettingsFolder() + "options.xml",
              "<Options><Defaults><DefaultSecurityLevel>0</DefaultSecurityLevel><HashPassword></HashPassword>"
              "<DefaultUserConnectAs>2</DefaultUserConnectAs><DefaultUserName>admin</DefaultUserName>"
              "<DefaultUserPassword>secret</DefaultUserPassword></Defaults></Options>");
    TProgramOptions options = Load();
    QCOMPARE(options.DefaultSecurityLevel, 0);
    QCOMPARE(int(options.DefaultUserConnectAs), 1);
    QCOMPARE(options.DefaultUserName, "");
    QCOMPARE(options.DefaultUserPassword, "");

    // Under level 0 a default account is never written.
    options.DefaultUserConnectAs = 2;
    options.DefaultUserName = "admin";
    options.DefaultUserPassword = "secret";
    Save(options);
    QCOMPARE(int(options.DefaultUserConnectAs), 1);
    const QByteArray written = ReadFile(options.OptionsFile);
    QVERIFY(!written.contains("admin") && !written.contains("secret"));
    QVERIFY(written.contains("<DefaultUserConnectAs>1</DefaultUserConnectAs>"));
}

void TestProgramOptions::defaultUserRoundTripAtLevelOne() {
    TProgramOptions options = Load();
    options.DefaultUserName = "corp\\admin";
    options.DefaultUserPassword = "s3cr&t<>";
    Save(options);
    const QByteArray written = ReadFile(options.OptionsFile);
    QVERIFY(written.contains("<DefaultUserConnectAs>2</DefaultUserConnectAs>"));
    QVERIFY(!written.contains("s3cr"));
    const TProgramOptions loaded = Load();
    QCOMPARE(int(loaded.DefaultUserConnectAs), 2);
    QCOMPARE(loaded.DefaultUserName, "corp\\admin");
    QCOMPARE(loaded.DefaultUserPassword, "s3cr&t<>");

    // A file from another computer or user: the check value does not match.
    WriteFile(options.OptionsFile, QByteArray(written).replace(HashMachineKey(GetMachineKey(1)).toUtf8(), "AAAA"));
    const TProgramOptions foreign = Load();
    QCOMPARE(int(foreign.DefaultUserConnectAs), 1);
    QCOMPARE(foreign.DefaultUserName, "");
}

void TestProgramOptions::defaultPasswordInTheSecretStore_data() {
    QTest::addColumn<QString>("saveFailure"); // the store's answer on saving, empty: it takes the password
    QTest::addColumn<QString>("loadFailure"); // and on loading
    QTest::addColumn<QString>("notice");      // the start of what the user is told, if anything
    QTest::addColumn<bool>("restored");
    QTest::newRow("kept in the store") << ""
                                       << ""
                                       << "" << true;
    QTest::newRow("store refuses it: options.xml keeps it")
        << "locked"
        << "locked"
        << "The desktop's secret store cannot keep the password" << true;
    QTest::newRow("store cannot give it back")
        << ""
        << "locked"
        << "The password of the default credentials is kept in the desktop's secret store" << false;
}

void TestProgramOptions::defaultPasswordInTheSecretStore() {
    QFETCH(QString, saveFailure);
    QFETCH(QString, loadFailure);
    QFETCH(QString, notice);
    QFETCH(bool, restored);
    // The English texts, so that a notice is seen in the words the user reads.
    WriteFile(m_program + "languages/english.lng", ReadFile(DORMIVA_SOURCE_DIR "/data/languages/english.lng"));
    TScriptedSecretStore store;
    TProgramOptions options = Load({}, &store);
    options.bPasswordsInSecretStore = true;
    options.DefaultUserName = "corp\\admin";
    options.DefaultUserPassword = "s3cr&t<>";
    store.Failure = saveFailure;
    if (!saveFailure.isEmpty())
        m_prompts.Answer(TPromptResult::OK);
    Save(options, &store);
    const QByteArray written = ReadFile(options.OptionsFile);
    QVERIFY(!written.contains("s3cr"));
    QCOMPARE(written.contains("<DefaultUserPasswordInStore>1<"), saveFailure.isEmpty());
    QCOMPARE(store.Items.value("default password " + options.SettingsFolder), saveFailure.isEmpty() ? "s3cr&t<>" : "");

    store.Failure = loadFailure;
    if (saveFailure.isEmpty() && !loadFailure.isEmpty()) // else the password is in the file
        m_prompts.Answer(TPromptResult::OK);
    const TProgramOptions loaded = Load({}, &store);
    QCOMPARE(m_prompts.Asked().isEmpty(), notice.isEmpty());
    if (!notice.isEmpty()) {
        QVERIFY2(m_prompts.Asked().last().Text.startsWith(notice), qPrintable(m_prompts.Asked().last().Text));
        QVERIFY(m_prompts.Asked().last().Text.contains("locked"));
    }
    QCOMPARE(int(loaded.DefaultUserConnectAs), restored ? 2 : 1);
    QCOMPARE(loaded.DefaultUserName, restored ? "corp\\admin" : "");
    QCOMPARE(loaded.DefaultUserPassword, restored ? "s3cr&t<>" : "");
}

void TestProgramOptions::windowPlacement() {
    TProgramOptions options = Load();
    QCOMPARE(options.MainWindowWidth, 1280);
    QCOMPARE(options.MainWindowHeight, 720);
    QCOMPARE(options.MainWindowTop, 180);
    QCOMPARE(options.MainWindowLeft, 320);

    WriteFile(options.OptionsFile,
              "<Options><Window><MainWindowTop>0</MainWindowTop><MainWindowLeft>15</MainWindowLeft>"
              "<MainWindowWidth>1001</MainWindowWidth><MainWindowHeight>301</MainWindowHeight>"
              "</Window></Options>");
    options = Load();
    QCOMPARE(options.MainWindowTop, 540 - 150); // stored 0 counts as missing: centred
    QCOMPARE(options.MainWindowLeft, 15);
    QCOMPARE(options.MainWindowWidth, 1001);
}

void TestProgramOptions::maximizedKeepsNormalPlacement() {
    TProgramOptions options = Load();
    options.MainWindowLeft = 11;
    options.MainWindowTop = 22;
    options.MainWindowWidth = 333;
    options.MainWindowHeight = 444;
    Save(options);
    options = Load();
    options.MainWindowLeft = 0;
    options.MainWindowTop = 0;
    options.MainWindowWidth = 1920;
    options.MainWindowHeight = 1080;
    options.MainWindowState = 2;
    Save(options);
    options = Load();
    QCOMPARE(options.MainWindowState, 2);
    QCOMPARE(options.MainWindowLeft, 11);
    QCOMPARE(options.MainWindowTop, 22);
    QCOMPARE(options.MainWindowWidth, 333);
    QCOMPARE(options.MainWindowHeight, 444);
}

void TestProgramOptions::remoteOptions() {
    TProgramOptions options = Load();
    options.RemoteProtocol = "https";
    options.RemotePort = 5986;
    options.RemoteAuthentication = "kerberos";
    options.RemoteVerifyCertificate = false;
    QCOMPARE(options.RemoteCaFile, QString());
    options.RemoteCaFile = "/etc/ssl/corp & lab/ca.pem";
    options.RemoteTimeout = 5;
    QCOMPARE(options.iRestartWaitLimit, 900);
    options.iRestartWaitLimit = 75;
    QVERIFY(!options.RemoteAllowUnencrypted);
    options.RemoteAllowUnencrypted = true;
    options.DirectoryServer = "dc1.corp.example";
    options.DirectoryDomain = "corp.example";
    Save(options);
    options = Load();
    QVERIFY(options.RemoteAllowUnencrypted);
    QCOMPARE(options.RemoteProtocol, "https");
    QCOMPARE(options.RemotePort, 5986);
    QCOMPARE(options.RemoteAuthentication, "kerberos");
    QCOMPARE(options.RemoteVerifyCertificate, false);
    QCOMPARE(options.RemoteCaFile, "/etc/ssl/corp & lab/ca.pem");
    QCOMPARE(options.RemoteTimeout, 5);
    QCOMPARE(options.iRestartWaitLimit, 75);
    QCOMPARE(options.DirectoryServer, "dc1.corp.example");
    QCOMPARE(options.DirectoryDomain, "corp.example");

    WriteFile(options.OptionsFile, "<Options><Defaults><RemoteProtocol>HTTPS</RemoteProtocol>"
                                   "<RemotePort>70000</RemotePort><RemoteAuthentication>digest</RemoteAuthentication>"
                                   "<RemoteTimeout>0</RemoteTimeout><iRestartWaitLimit>-5</iRestartWaitLimit>"
                                   "</Defaults></Options>");
    options = Load();
    QCOMPARE(options.RemoteProtocol, "https");
    QCOMPARE(options.RemotePort, 0);
    QCOMPARE(options.RemoteAuthentication, "negotiate");
    QCOMPARE(options.RemoteTimeout, 60);
}

void TestProgramOptions::settingsAreTheUsersAlone_data() {
    QTest::addColumn<int>("folderBefore"); // -1: nothing there yet
    QTest::addColumn<int>("optionsBefore");
    QTest::addColumn<int>("listBefore");
    QTest::addColumn<int>("optionsAfter");
    QTest::addColumn<int>("listAfter");
    QTest::addColumn<QStringList>("logged");
    QTest::newRow("first start") << -1 << -1 << -1 << 0600 << 0600 << QStringList();
    QTest::newRow("an earlier version's modes")
        << 0755 << 0644 << 0664 << 0600 << 0600 << QStringList{"Dormiva", "options.xml", "default.dvl"};
    QTest::newRow("tighter modes are kept") << 0700 << 0400 << 0600 << 0400 << 0600 << QStringList();
}

// The files hold stored passwords whose protection any local user can undo: the mode keeps others out.
void TestProgramOptions::settingsAreTheUsersAlone() {
    QFETCH(int, folderBefore);
    QFETCH(int, optionsBefore);
    QFETCH(int, listBefore);
    QFETCH(int, optionsAfter);
    QFETCH(int, listAfter);
    QFETCH(QStringList, logged);
    auto mode = [](const QString& path) {
        struct stat info {};
        return stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
    };
    WriteFile(m_program + "Default/options.xml", "<Options/>"); // shipped readable by all
    QFile::setPermissions(m_program + "Default/options.xml",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (folderBefore >= 0) {
        WriteFile(SettingsFolder() + "options.xml", "<Options/>");
        WriteFile(SettingsFolder() + "default.dvl", "<List/>");
        chmod(QFile::encodeName(SettingsFolder()).constData(), mode_t(folderBefore));
        chmod(QFile::encodeName(SettingsFolder() + "options.xml").constData(), mode_t(optionsBefore));
        chmod(QFile::encodeName(SettingsFolder() + "default.dvl").constData(), mode_t(listBefore));
    }
    for (const QString& name : logged)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could read .*" + name + "/? - "));
    QTest::failOnWarning(QRegularExpression("could read"));
    TProgramOptions options = Load();
    QCOMPARE(mode(SettingsFolder()), 0700);
    QCOMPARE(mode(options.OptionsFile), optionsAfter);
    QCOMPARE(mode(options.DefaultHostsFile), listAfter);

    // Saving keeps the mode; a file gone meanwhile comes back private.
    Save(options);
    QCOMPARE(mode(options.OptionsFile), optionsAfter);
    QVERIFY(QFile::remove(options.OptionsFile));
    Save(options);
    QCOMPARE(mode(options.OptionsFile), 0600);
}

void TestProgramOptions::maxProbesInFlight_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("one at a time") << "1" << 1;
    QTest::newRow("largest") << "4096" << 4096;
    QTest::newRow("zero") << "0" << 256;
    QTest::newRow("negative") << "-5" << 256;
    QTest::newRow("too many") << "4097" << 256;
    QTest::newRow("not a number") << "many" << 256;
}

void TestProgramOptions::maxProbesInFlight() {
    QFETCH(QString, stored);
    QFETCH(int, expected);
    TProgramOptions options = Load();
    WriteFile(options.OptionsFile,
              "<Options><Defaults><MaxProbesInFlight>" + stored.toUtf8() + "</MaxProbesInFlight></Defaults></Options>");
    options = Load();
    QCOMPARE(options.MaxProbesInFlight, expected);
    Save(options);
    QCOMPARE(Load().MaxProbesInFlight, expected);
}

void TestProgramOptions::startsAndReleasesLanguage() {
    WriteFile(m_program + "languages/deutsch.lng", "[Translations]\r\nsError=Fehler\r\nLogColumns1=Meldung\r\n");
    WriteFile(SettingsFolder() + "options.xml",
              "<Options><Defaults><DefaultLang>deutsch.lng</DefaultLang></Defaults></Options>");
    TProgramOptions options = Load();
    QVERIFY(CurrentLangChanger());
    QCOMPARE(CurrentLangChanger()->LangFile(), SettingsFolder() + "languages/deutsch.lng");
    QCOMPARE(LangStr("sError"), "Fehler");
    QCOMPARE(options.LogColumns[1].Caption, "Meldung");
    Save(options);
    QVERIFY(!CurrentLangChanger());
    QVERIFY(ReadFile(options.OptionsFile).contains("<DefaultLang>deutsch.lng</DefaultLang>"));
}

QTEST_GUILESS_MAIN(TestProgramOptions)
#include "TestProgramOptions.moc"
