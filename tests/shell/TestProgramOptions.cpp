#include "LangChanger.h"
#include "TScriptedPrompts.h"
#include "uPasswordProtection.h"
#include "uProgramOptions.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// Each test runs against a settings root (XDG_CONFIG_HOME) and a program folder of its own.
class TestProgramOptions : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { SetCurrentLangChanger(nullptr); }
    void systemWideSwitch_data();
    void systemWideSwitch();
    void foldersFromBuildTreeAndInstalledPrefix();
    void firstStartCopiesDefaultsOnce();
    void firstStartWithoutDefaultsCreatesEmptyFiles();
    void languageFilesReplacedEveryStart();
    void defaultsFromEmptyFile();
    void writesInOrder();
    void outOfRangeSecurityLevelBecomesOne();
    void defaultUserUnderLevelZeroIsDropped();
    void defaultUserRoundTripAtLevelOne();
    void windowPlacement();
    void maximizedKeepsNormalPlacement();
    void remoteOptions();
    void maxProbesInFlight_data();
    void maxProbesInFlight();
    void startsAndReleasesLanguage();

private:
    static void WriteFile(const QString& path, const QByteArray& content);
    static QByteArray ReadFile(const QString& path);
    TProgramOptions Load(const QStringList& arguments = {});
    void Save(TProgramOptions& options);
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

TProgramOptions TestProgramOptions::Load(const QStringList& arguments) {
    TProgramOptions options;
    LoadProgramOptions(options, {QStringList{"dormiva"} + arguments, m_program, QSize(1920, 1080)}, m_prompts);
    return options;
}

void TestProgramOptions::Save(TProgramOptions& options) {
    SaveProgramOptions(options, m_prompts);
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
                                                                          "DefaultUserConnectAs",
                                                                          "IntervalUpdateComputerList",
                                                                          "AutoUpdateComputerList",
                                                                          "ComputerCaptionStyle",
                                                                          "iMaxThreads",
                                                                          "iExportFilterIndex",
                                                                          "DefaultHostsFile",
                                                                          "iComputerListWidth",
                                                                          "RemoteProtocol",
                                                                          "RemotePort",
                                                                          "RemoteAuthentication",
                                                                          "RemoteVerifyCertificate",
                                                                          "RemoteTimeout",
                                                                          "MaxProbesInFlight"}));
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
    options.RemoteTimeout = 5;
    Save(options);
    options = Load();
    QCOMPARE(options.RemoteProtocol, "https");
    QCOMPARE(options.RemotePort, 5986);
    QCOMPARE(options.RemoteAuthentication, "kerberos");
    QCOMPARE(options.RemoteVerifyCertificate, false);
    QCOMPARE(options.RemoteTimeout, 5);

    WriteFile(options.OptionsFile, "<Options><Defaults><RemoteProtocol>HTTPS</RemoteProtocol>"
                                   "<RemotePort>70000</RemotePort><RemoteAuthentication>digest</RemoteAuthentication>"
                                   "<RemoteTimeout>0</RemoteTimeout></Defaults></Options>");
    options = Load();
    QCOMPARE(options.RemoteProtocol, "https");
    QCOMPARE(options.RemotePort, 0);
    QCOMPARE(options.RemoteAuthentication, "negotiate");
    QCOMPARE(options.RemoteTimeout, 60);
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
