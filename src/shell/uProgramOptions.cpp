#include "uProgramOptions.h"

#include "FileInfo.h"
#include "LangChanger.h"
#include "PlatformFolders.h"
#include "uPasswordProtection.h"
#include "uXMLStorage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString Defaults = QStringLiteral("Defaults");
const QString Window = QStringLiteral("Window");
const QString LogColumnsSection = QStringLiteral("LogColumns");

QString WithDelimiter(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The folder holding "Default" and "languages": beside the program (also in the build tree), or
// share/dormiva of the prefix the program is installed in.
QString ShippedDataFolder(const QString& programFolder) {
    const QDir beside(programFolder);
    if (beside.exists(QStringLiteral("Default")) || beside.exists(QStringLiteral("languages")))
        return programFolder;
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("../share/dormiva"));
    return QFileInfo::exists(installed) ? WithDelimiter(installed) : programFolder;
}

QString OneOf(const QString& value, const QStringList& allowed) {
    const QString lower = value.trimmed().toLower();
    return allowed.contains(lower) ? lower : allowed.first();
}

void ReadRemoteOptions(const TXMLStorage& storage, TProgramOptions& options) {
    const TProgramOptions defaults;
    options.RemoteProtocol =
        OneOf(storage.ReadString(Defaults, "RemoteProtocol", defaults.RemoteProtocol), RemoteProtocolValues);
    options.RemotePort = storage.ReadInteger(Defaults, "RemotePort", defaults.RemotePort);
    if (options.RemotePort < 0 || options.RemotePort > 65535)
        options.RemotePort = defaults.RemotePort;
    options.RemoteAuthentication =
        OneOf(storage.ReadString(Defaults, "RemoteAuthentication", defaults.RemoteAuthentication),
              RemoteAuthenticationValues);
    options.RemoteVerifyCertificate =
        storage.ReadBool(Defaults, "RemoteVerifyCertificate", defaults.RemoteVerifyCertificate);
    options.RemoteTimeout = storage.ReadInteger(Defaults, "RemoteTimeout", defaults.RemoteTimeout);
    if (options.RemoteTimeout < 1)
        options.RemoteTimeout = defaults.RemoteTimeout;
}

void WriteRemoteOptions(TXMLStorage& storage, const TProgramOptions& options) {
    storage.WriteString(Defaults, "RemoteProtocol", options.RemoteProtocol);
    storage.WriteInteger(Defaults, "RemotePort", options.RemotePort);
    storage.WriteString(Defaults, "RemoteAuthentication", options.RemoteAuthentication);
    storage.WriteBool(Defaults, "RemoteVerifyCertificate", options.RemoteVerifyCertificate);
    storage.WriteInteger(Defaults, "RemoteTimeout", options.RemoteTimeout);
}

} // namespace

bool IsSystemWideConfig(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument.compare(QStringLiteral("-systemwideconfig"), Qt::CaseInsensitive) == 0 ||
            argument.compare(QStringLiteral("/systemwideconfig"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString GetConfigRootFolder(bool systemWide) {
    return systemWide ? Platform::CommonAppDataFolder() : Platform::UserAppDataFolder();
}

void ComputeFolders(TProgramOptions& options, const TProgramEnvironment& environment) {
    options.ProgramFolder = WithDelimiter(environment.ProgramFolder);
    const QString shipped = ShippedDataFolder(options.ProgramFolder);
    options.DefaultsFolder = shipped + QStringLiteral("Default/");
    options.ShippedLanguageFolder = shipped + QStringLiteral("languages/");
    // An unknown root leaves the path starting with the delimiter, as the folder is named.
    options.SettingsFolder = GetConfigRootFolder(IsSystemWideConfig(environment.Arguments)) + u'/' +
                             GetVersionString(QStringLiteral("CompanyName")) + u'/' +
                             GetVersionString(QStringLiteral("ProductName")) + u'/';
    options.LanguageFolder = options.SettingsFolder + QStringLiteral("languages/");
}

QString EnsureConfigFile(const TProgramOptions& options, const QString& fileName) {
    const QString path = options.SettingsFolder + fileName;
    if (QFileInfo::exists(path))
        return path;
    QDir().mkpath(options.SettingsFolder);
    const QString defaultFile = options.DefaultsFolder + fileName;
    if (QFileInfo::exists(defaultFile)) {
        QFile::copy(defaultFile, path); // never replaces a file; a failed copy leaves none
    } else {
        QFile file(path);
        if (file.open(QIODevice::NewOnly))
            file.close();
    }
    return path;
}

void CopyLanguageFiles(const TProgramOptions& options) {
    QDir().mkpath(options.LanguageFolder);
    const QDir shipped(options.ShippedLanguageFolder);
    if (shipped.canonicalPath() == QDir(options.LanguageFolder).canonicalPath())
        return;
    const QStringList names = shipped.entryList({QStringLiteral("*.lng")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        QFile source(shipped.filePath(name));
        if (!source.open(QIODevice::ReadOnly))
            continue;
        QSaveFile target(options.LanguageFolder + name); // replaced whole or not at all
        if (target.open(QIODevice::WriteOnly) && target.write(source.readAll()) == source.size())
            target.commit();
    }
}

void ApplyWindowPlacementDefaults(TProgramOptions& options, const QSize& screen) {
    if (options.MainWindowWidth == 0)
        options.MainWindowWidth = screen.width() / 3 * 2;
    if (options.MainWindowHeight == 0)
        options.MainWindowHeight = screen.height() / 3 * 2;
    if (options.MainWindowTop == 0)
        options.MainWindowTop = screen.height() / 2 - options.MainWindowHeight / 2;
    if (options.MainWindowLeft == 0)
        options.MainWindowLeft = screen.width() / 2 - options.MainWindowWidth / 2;
}

void LoadProgramOptions(TProgramOptions& options, const TProgramEnvironment& environment, IUserPrompts& prompts) {
    ComputeFolders(options, environment);
    CopyLanguageFiles(options);
    options.OptionsFile = EnsureConfigFile(options, QStringLiteral("options.xml"));

    TXMLStorage storage(options.OptionsFile, prompts);
    storage.Open();
    options.DontShowAskWizardIfEmpty =
        storage.ReadBool(Defaults, "DontShowAskWizardIfEmpty", options.DontShowAskWizardIfEmpty);
    options.DefaultTCPPort =
        static_cast<quint16>(storage.ReadInteger(Defaults, "DefaultTCPPort", options.DefaultTCPPort));
    options.DefaultTimeout = storage.ReadInteger(Defaults, "DefaultTimeout", options.DefaultTimeout);
    options.DefaultCheckState = storage.ReadInteger(Defaults, "DefaultCheckState", options.DefaultCheckState);
    options.iMaxThreads = storage.ReadInteger(Defaults, "iMaxThreads", options.iMaxThreads);
    options.HashPassword = storage.ReadString(Defaults, "HashPassword", options.HashPassword);
    options.DefaultSecurityLevel = storage.ReadInteger(Defaults, "DefaultSecurityLevel", options.DefaultSecurityLevel);
    if (options.DefaultSecurityLevel != 0)
        options.DefaultSecurityLevel = 1;
    options.DefaultUserName.clear();
    options.DefaultUserPassword.clear();
    options.DefaultUserConnectAs =
        static_cast<quint8>(storage.ReadInteger(Defaults, "DefaultUserConnectAs", options.DefaultUserConnectAs));

    // Default credentials only under the key they were stored with (same computer, user, level).
    const QString key = GetMachineKey(options.DefaultSecurityLevel);
    if (CheckMachineKeyHash(options.HashPassword, key)) {
        options.DefaultUserName = storage.ReadString(Defaults, "DefaultUserName", QString());
        options.DefaultUserPassword =
            DecryptPassword(storage.ReadString(Defaults, "DefaultUserPassword", QString()), key);
    } else {
        options.DefaultUserConnectAs = 1;
    }

    options.IntervalUpdateComputerList =
        storage.ReadInteger(Defaults, "IntervalUpdateComputerList", options.IntervalUpdateComputerList);
    options.AutoUpdateComputerList =
        storage.ReadBool(Defaults, "AutoUpdateComputerList", options.AutoUpdateComputerList);
    options.iComputerListWidth = storage.ReadInteger(Defaults, "iComputerListWidth", options.iComputerListWidth);
    options.DefaultHostsFile = storage.ReadString(Defaults, "DefaultHostsFile", options.DefaultHostsFile);
    if (options.DefaultHostsFile.isEmpty())
        options.DefaultHostsFile = EnsureConfigFile(options, QStringLiteral("default.dvl"));

    options.MainWindowWidth = storage.ReadInteger(Window, "MainWindowWidth", options.MainWindowWidth);
    options.MainWindowHeight = storage.ReadInteger(Window, "MainWindowHeight", options.MainWindowHeight);
    options.MainWindowTop = storage.ReadInteger(Window, "MainWindowTop", options.MainWindowTop);
    options.MainWindowLeft = storage.ReadInteger(Window, "MainWindowLeft", options.MainWindowLeft);
    ApplyWindowPlacementDefaults(options, environment.ScreenSize);
    options.MainWindowState = storage.ReadInteger(Window, "MainWindowState", options.MainWindowState);

    options.bAlwaysOnTop = storage.ReadBool(Defaults, "bAlwaysOnTop", options.bAlwaysOnTop);
    options.bHideWhenMinimized = storage.ReadBool(Defaults, "bHideWhenMinimized", options.bHideWhenMinimized);
    options.iExportFilterIndex = storage.ReadInteger(Defaults, "iExportFilterIndex", options.iExportFilterIndex);
    options.ComputerCaptionStyle =
        static_cast<quint8>(storage.ReadInteger(Defaults, "ComputerCaptionStyle", options.ComputerCaptionStyle));
    ReadRemoteOptions(storage, options);
    options.MaxProbesInFlight = storage.ReadInteger(Defaults, "MaxProbesInFlight", options.MaxProbesInFlight);
    if (options.MaxProbesInFlight < 1 || options.MaxProbesInFlight > TProgramOptions::MaxProbesInFlightLimit)
        options.MaxProbesInFlight = TProgramOptions().MaxProbesInFlight;
    LoadColumnLayout(storage, options.LogColumns, LastLogColumn, LogColumnsSection);
    options.DefaultLang = storage.ReadString(Defaults, "DefaultLang", options.DefaultLang);
    options.WebQuerySuffix = QStringLiteral("&product=") + GetVersionString(QStringLiteral("InternalName")).toLower() +
                             QStringLiteral("&version=") + GetVersionFull();
    storage.Close();

    auto changer = std::make_shared<TLangChanger>();
    changer->SetLangFile(options.LanguageFolder + options.DefaultLang);
    SetCurrentLangChanger(std::move(changer));
    LoadMessageTable();
    TranslateLogColumns(options.LogColumns);
}

void TranslateLogColumns(TListColumnLayout& columns) {
    if (columns.size() <= LastLogColumn)
        columns.resize(LastLogColumn + 1);
    for (int i = 0; i <= LastLogColumn; ++i)
        columns[i].Caption = LangStr(QStringLiteral("LogColumns%1").arg(i));
}

void SaveProgramOptions(TProgramOptions& options, IUserPrompts& prompts) {
    TXMLStorage storage(options.OptionsFile, prompts);
    storage.Open();
    storage.WriteString(Defaults, "DefaultLang", options.DefaultLang);
    storage.WriteBool(Defaults, "bAlwaysOnTop", options.bAlwaysOnTop);
    storage.WriteBool(Defaults, "bHideWhenMinimized", options.bHideWhenMinimized);
    storage.WriteBool(Defaults, "DontShowAskWizardIfEmpty", options.DontShowAskWizardIfEmpty);
    storage.WriteInteger(Defaults, "DefaultTCPPort", options.DefaultTCPPort);
    storage.WriteInteger(Defaults, "DefaultTimeout", options.DefaultTimeout);
    storage.WriteInteger(Defaults, "DefaultCheckState", options.DefaultCheckState);
    storage.WriteInteger(Defaults, "DefaultSecurityLevel", options.DefaultSecurityLevel);

    const QString key = GetMachineKey(options.DefaultSecurityLevel);
    storage.WriteString(Defaults, "HashPassword", options.DefaultSecurityLevel != 0 ? HashMachineKey(key) : QString());
    // Default credentials are never stored in clear text.
    if (!options.DefaultUserName.isEmpty() && options.DefaultSecurityLevel != 0) {
        options.DefaultUserConnectAs = 2;
        storage.WriteInteger(Defaults, "DefaultUserConnectAs", options.DefaultUserConnectAs);
        storage.WriteString(Defaults, "DefaultUserName", options.DefaultUserName);
        storage.WriteString(Defaults, "DefaultUserPassword", EncryptPassword(options.DefaultUserPassword, key));
    } else {
        storage.WriteString(Defaults, "DefaultUserName", QString());
        storage.WriteString(Defaults, "DefaultUserPassword", QString());
        if (options.DefaultUserConnectAs == 2)
            options.DefaultUserConnectAs = 1;
        storage.WriteInteger(Defaults, "DefaultUserConnectAs", options.DefaultUserConnectAs);
    }
    storage.WriteInteger(Defaults, "DefaultSecurityLevel", options.DefaultSecurityLevel);
    storage.WriteStringList(QStringLiteral("RecentFiles"), QStringLiteral("RecentFile"), {});

    storage.WriteInteger(Defaults, "IntervalUpdateComputerList", options.IntervalUpdateComputerList);
    storage.WriteBool(Defaults, "AutoUpdateComputerList", options.AutoUpdateComputerList);
    storage.WriteInteger(Defaults, "ComputerCaptionStyle", options.ComputerCaptionStyle);
    storage.WriteInteger(Defaults, "iMaxThreads", options.iMaxThreads);
    storage.WriteInteger(Defaults, "iExportFilterIndex", options.iExportFilterIndex);
    storage.WriteString(Defaults, "DefaultHostsFile", options.DefaultHostsFile);
    storage.WriteInteger(Defaults, "iComputerListWidth", options.iComputerListWidth);
    WriteRemoteOptions(storage, options);
    storage.WriteInteger(Defaults, "MaxProbesInFlight", options.MaxProbesInFlight);

    // A maximized or minimized window keeps the placement it last had in the normal state.
    if (options.MainWindowState == 0) {
        storage.WriteInteger(Window, "MainWindowTop", options.MainWindowTop);
        storage.WriteInteger(Window, "MainWindowLeft", options.MainWindowLeft);
        storage.WriteInteger(Window, "MainWindowWidth", options.MainWindowWidth);
        storage.WriteInteger(Window, "MainWindowHeight", options.MainWindowHeight);
    }
    storage.WriteInteger(Window, "MainWindowState", options.MainWindowState);
    SaveColumnLayout(storage, options.LogColumns, LastLogColumn, LogColumnsSection);
    storage.Save();
    SetCurrentLangChanger(nullptr);
}
