#include "uProgramOptions.h"

#include "DormivaVersion.h"
#include "FileInfo.h"
#include "LangChanger.h"
#include "PlatformFolders.h"
#include "SecretStore.h"
#include "uFormat.h"
#include "uPasswordProtection.h"
#include "uPrivateFiles.h"
#include "uUserPrompts.h"
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
    options.RemoteCaFile = storage.ReadString(Defaults, "RemoteCaFile", defaults.RemoteCaFile);
    options.RemoteAllowUnencrypted =
        storage.ReadBool(Defaults, "RemoteAllowUnencrypted", defaults.RemoteAllowUnencrypted);
    options.RemoteTimeout = storage.ReadInteger(Defaults, "RemoteTimeout", defaults.RemoteTimeout);
    if (options.RemoteTimeout < 1)
        options.RemoteTimeout = defaults.RemoteTimeout;
    options.iRestartWaitLimit = storage.ReadInteger(Defaults, "iRestartWaitLimit", defaults.iRestartWaitLimit);
    if (options.iRestartWaitLimit < 1)
        options.iRestartWaitLimit = defaults.iRestartWaitLimit;
    options.DirectoryServer = storage.ReadString(Defaults, "DirectoryServer", defaults.DirectoryServer);
    options.DirectoryDomain = storage.ReadString(Defaults, "DirectoryDomain", defaults.DirectoryDomain);
}

// One item per settings folder: every copy of the program on it shares its default credentials.
QString DefaultPasswordKey(const TProgramOptions& options) {
    return QStringLiteral("default password ") + options.SettingsFolder;
}

// None when the store cannot give it; failure then says why, empty when there is no store. The caller
// tells the user once the message table is loaded.
std::optional<QString> ReadStoredDefaultPassword(const TProgramOptions& options, ISecretStore* store,
                                                 std::optional<QString>& failure) {
    QByteArray secret;
    const QString error = store ? store->Read(DefaultPasswordKey(options), secret) : QString();
    if (store && error.isEmpty())
        return QString::fromUtf8(secret);
    failure = error;
    return std::nullopt;
}

bool WriteStoredDefaultPassword(const TProgramOptions& options, ISecretStore* store, IUserPrompts& prompts) {
    QString error = LangStr(QStringLiteral("sSecretStoreNone"));
    if (store) {
        error = store->Write(DefaultPasswordKey(options), options.DefaultUserPassword.toUtf8());
        if (error.isEmpty())
            return true;
    }
    prompts.Ask(Format(LangStr(QStringLiteral("sSecretStoreDefaultWriteFailed")), {error}),
                LangStr(QStringLiteral("sWarning")), TPromptButtons::OK, TPromptIcon::Warning);
    return false;
}

void WriteRemoteOptions(TXMLStorage& storage, const TProgramOptions& options) {
    storage.WriteString(Defaults, "RemoteProtocol", options.RemoteProtocol);
    storage.WriteInteger(Defaults, "RemotePort", options.RemotePort);
    storage.WriteString(Defaults, "RemoteAuthentication", options.RemoteAuthentication);
    storage.WriteBool(Defaults, "RemoteVerifyCertificate", options.RemoteVerifyCertificate);
    storage.WriteString(Defaults, "RemoteCaFile", options.RemoteCaFile);
    storage.WriteBool(Defaults, "RemoteAllowUnencrypted", options.RemoteAllowUnencrypted);
    storage.WriteInteger(Defaults, "RemoteTimeout", options.RemoteTimeout);
    storage.WriteInteger(Defaults, "iRestartWaitLimit", options.iRestartWaitLimit);
    storage.WriteString(Defaults, "DirectoryServer", options.DirectoryServer);
    storage.WriteString(Defaults, "DirectoryDomain", options.DirectoryDomain);
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
    options.DefaultsFolder = shipped + (environment.Demo ? QStringLiteral("Demo/") : QStringLiteral("Default/"));
    options.ShippedLanguageFolder = shipped + QStringLiteral("languages/");
    // An unknown root leaves the path starting with the delimiter, as the folder is named.
    options.SystemWideConfig = !environment.Demo && IsSystemWideConfig(environment.Arguments);
    options.SettingsFolder = GetConfigRootFolder(options.SystemWideConfig) + u'/' +
                             GetVersionString(QStringLiteral("CompanyName")) + u'/' +
                             GetVersionString(QStringLiteral("ProductName")) +
                             (environment.Demo ? QStringLiteral("-demo/") : QStringLiteral("/"));
    if (!environment.SettingsFolder.isEmpty())
        options.SettingsFolder = WithDelimiter(environment.SettingsFolder);
    options.LanguageFolder = options.SettingsFolder + QStringLiteral("languages/");
}

void ResetDemoSettings(const TProgramOptions& options) {
    for (const QString& name : {QStringLiteral("options.xml"), QStringLiteral("default.dvl")})
        QFile::remove(options.SettingsFolder + name);
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
    if (!options.SystemWideConfig)
        QFile::setPermissions(path, PrivateFileMode);
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

void LoadProgramOptions(TProgramOptions& options, const TProgramEnvironment& environment, IUserPrompts& prompts,
                        ISecretStore* secretStore) {
    ComputeFolders(options, environment);
    // Before anything is put into it; settings of all users are shared on purpose.
    if (!options.SystemWideConfig) {
        MakePrivateFolder(options.SettingsFolder);
        TightenToOwner(options.SettingsFolder);
    }
    CopyLanguageFiles(options);
    options.OptionsFile = EnsureConfigFile(options, QStringLiteral("options.xml"));
    if (!options.SystemWideConfig)
        TightenToOwner(options.OptionsFile);

    TXMLStorage storage(options.OptionsFile, prompts);
    storage.Open();
    options.DontShowAskWizardIfEmpty =
        storage.ReadBool(Defaults, "DontShowAskWizardIfEmpty", options.DontShowAskWizardIfEmpty);
    options.bConfirmExecute = storage.ReadBool(Defaults, "bConfirmExecute", options.bConfirmExecute);
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
    std::optional<QString> password;
    std::optional<QString> storeFailure;
    if (CheckMachineKeyHash(options.HashPassword, key)) {
        password = storage.ReadBool(Defaults, "DefaultUserPasswordInStore", false)
                       ? ReadStoredDefaultPassword(options, secretStore, storeFailure)
                       : DecryptPassword(storage.ReadString(Defaults, "DefaultUserPassword", QString()), key);
    }
    if (password) {
        options.DefaultUserName = storage.ReadString(Defaults, "DefaultUserName", QString());
        options.DefaultUserPassword = *password;
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
    if (!options.SystemWideConfig)
        TightenToOwner(options.DefaultHostsFile);

    options.MainWindowWidth = storage.ReadInteger(Window, "MainWindowWidth", options.MainWindowWidth);
    options.MainWindowHeight = storage.ReadInteger(Window, "MainWindowHeight", options.MainWindowHeight);
    options.MainWindowTop = storage.ReadInteger(Window, "MainWindowTop", options.MainWindowTop);
    options.MainWindowLeft = storage.ReadInteger(Window, "MainWindowLeft", options.MainWindowLeft);
    ApplyWindowPlacementDefaults(options, environment.ScreenSize);
    options.MainWindowState = storage.ReadInteger(Window, "MainWindowState", options.MainWindowState);

    options.bAlwaysOnTop = storage.ReadBool(Defaults, "bAlwaysOnTop", options.bAlwaysOnTop);
    options.bHideWhenMinimized = storage.ReadBool(Defaults, "bHideWhenMinimized", options.bHideWhenMinimized);
    options.iExportFilterIndex = storage.ReadInteger(Defaults, "iExportFilterIndex", options.iExportFilterIndex);
    options.bPasswordsInSecretStore =
        storage.ReadBool(Defaults, "bPasswordsInSecretStore", options.bPasswordsInSecretStore);
    options.ComputerCaptionStyle =
        static_cast<quint8>(storage.ReadInteger(Defaults, "ComputerCaptionStyle", options.ComputerCaptionStyle));
    ReadRemoteOptions(storage, options);
    options.MaxProbesInFlight = storage.ReadInteger(Defaults, "MaxProbesInFlight", options.MaxProbesInFlight);
    if (options.MaxProbesInFlight < 1 || options.MaxProbesInFlight > TProgramOptions::MaxProbesInFlightLimit)
        options.MaxProbesInFlight = TProgramOptions().MaxProbesInFlight;
    options.iWakeUpWaitSeconds =
        qBound(0, storage.ReadInteger(Defaults, "iWakeUpWaitSeconds", options.iWakeUpWaitSeconds),
               TProgramOptions::WakeUpWaitLimit);
    LoadColumnLayout(storage, options.LogColumns, LastLogColumn, LogColumnsSection);
    options.DefaultLang = storage.ReadString(Defaults, "DefaultLang", options.DefaultLang);
    options.WebQuerySuffix = QStringLiteral("&product=") + GetVersionString(QStringLiteral("InternalName")).toLower() +
                             QStringLiteral("&version=") + GetVersionFull();
    options.WebHost = QStringLiteral(DORMIVA_WEB_HOST);
    storage.Close();

    auto changer = std::make_shared<TLangChanger>();
    changer->SetLangFile(options.LanguageFolder + options.DefaultLang);
    SetCurrentLangChanger(std::move(changer));
    LoadMessageTable();
    TranslateLogColumns(options.LogColumns);
    if (storeFailure)
        prompts.Ask(Format(LangStr(QStringLiteral("sSecretStoreDefaultReadFailed")),
                           {storeFailure->isEmpty() ? LangStr(QStringLiteral("sSecretStoreNone")) : *storeFailure}),
                    LangStr(QStringLiteral("sWarning")), TPromptButtons::OK, TPromptIcon::Warning);
}

void TranslateLogColumns(TListColumnLayout& columns) {
    if (columns.size() <= LastLogColumn)
        columns.resize(LastLogColumn + 1);
    for (int i = 0; i <= LastLogColumn; ++i)
        columns[i].Caption = LangStr(QStringLiteral("LogColumns%1").arg(i));
}

void SaveProgramOptions(TProgramOptions& options, IUserPrompts& prompts, ISecretStore* secretStore) {
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
        const bool inStore =
            options.bPasswordsInSecretStore && WriteStoredDefaultPassword(options, secretStore, prompts);
        storage.WriteString(Defaults, "DefaultUserPassword",
                            inStore ? QString() : EncryptPassword(options.DefaultUserPassword, key));
        storage.WriteBool(Defaults, "DefaultUserPasswordInStore", inStore);
    } else {
        storage.WriteString(Defaults, "DefaultUserName", QString());
        storage.WriteString(Defaults, "DefaultUserPassword", QString());
        storage.WriteBool(Defaults, "DefaultUserPasswordInStore", false);
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
    storage.WriteBool(Defaults, "bConfirmExecute", options.bConfirmExecute);
    storage.WriteInteger(Defaults, "iExportFilterIndex", options.iExportFilterIndex);
    storage.WriteBool(Defaults, "bPasswordsInSecretStore", options.bPasswordsInSecretStore);
    storage.WriteString(Defaults, "DefaultHostsFile", options.DefaultHostsFile);
    storage.WriteInteger(Defaults, "iComputerListWidth", options.iComputerListWidth);
    WriteRemoteOptions(storage, options);
    storage.WriteInteger(Defaults, "MaxProbesInFlight", options.MaxProbesInFlight);
    storage.WriteInteger(Defaults, "iWakeUpWaitSeconds", options.iWakeUpWaitSeconds);

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
