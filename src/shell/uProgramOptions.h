#pragma once

#include "uListColumnStore.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

class ISecretStore;
class IUserPrompts;

// The program-wide option values, one field per key of options.xml, with their defaults.
// One instance lives for the whole run; it is read before the main window is built and written
// after it is gone. Parts of the program get it passed in rather than reaching for a global.
struct TProgramOptions {
    // Section Defaults.
    QString DefaultLang = QStringLiteral("english.lng");
    bool DontShowAskWizardIfEmpty = false;
    bool bConfirmExecute = true; // ask before a run shuts down or restarts computers
    int DefaultCheckState = 0;   // -1 no check, 0 ICMP echo, 1 TCP connection to DefaultTCPPort
    quint16 DefaultTCPPort = 139;
    int DefaultTimeout = 300; // milliseconds
    static constexpr int MaxProbesInFlightLimit = 4096;
    int MaxProbesInFlight = 256; // reachability probes sent before the first has its answer; 1: one at a time
    int iMaxThreads = 10;
    int DefaultSecurityLevel = 1;
    QString HashPassword;
    quint8 DefaultUserConnectAs = 1;
    QString DefaultUserName;
    QString DefaultUserPassword;             // clear text in memory
    int IntervalUpdateComputerList = 180000; // milliseconds
    bool AutoUpdateComputerList = true;
    int iComputerListWidth = 200;
    QString DefaultHostsFile;
    quint8 ComputerCaptionStyle = 0;
    bool bAlwaysOnTop = false;
    bool bHideWhenMinimized = false;
    int iExportFilterIndex = 1;
    bool bPasswordsInSecretStore = false; // stored passwords in the desktop's secret store, not the files

    // Remote calls over WS-Management (section Defaults as well); the values are those of
    // RemoteProtocolValues and RemoteAuthenticationValues.
    QString RemoteProtocol = QStringLiteral("http");            // "http" or "https"
    int RemotePort = 0;                                         // 0 = the protocol's default
    QString RemoteAuthentication = QStringLiteral("negotiate"); // negotiate, ntlm, kerberos, basic
    bool RemoteVerifyCertificate = true;
    QString RemoteCaFile;                // PEM file of extra certification authorities to trust; empty: none
    bool RemoteAllowUnencrypted = false; // Basic over HTTP: the password crosses the network readable
    int RemoteTimeout = 60;              // seconds: the longest one remote call may take
    int iRestartWaitLimit = 900;         // seconds a restarted computer has to come back in

    // The directory the add-computers wizard searches (section Defaults); empty: found through DNS.
    QString DirectoryServer;
    QString DirectoryDomain;

    // How long a wake-up run waits for each computer to answer (section Defaults); 0: it does not wait.
    static constexpr int WakeUpWaitLimit = 3600;
    int iWakeUpWaitSeconds = 0;

    // Section Window.
    int MainWindowLeft = 0;
    int MainWindowTop = 0;
    int MainWindowWidth = 0;
    int MainWindowHeight = 0;
    int MainWindowState = 0; // 0 normal, 1 minimized, 2 maximized

    // Section LogColumns: the time and the message column of the application log.
    TListColumnLayout LogColumns;

    // Folders, computed at load; each ends with a path delimiter.
    QString ProgramFolder;
    QString DefaultsFolder;
    QString SettingsFolder;
    QString LanguageFolder;
    QString ShippedLanguageFolder;
    QString OptionsFile;
    QString WebQuerySuffix;
    // Host of the maker's web pages, fixed at build time; empty when the build has none.
    QString WebHost;
    // -systemwideconfig: every user of the computer shares the settings, stored passwords included.
    bool SystemWideConfig = false;
};

// The values RemoteProtocol and RemoteAuthentication take, the default first.
inline const QStringList RemoteProtocolValues{QStringLiteral("http"), QStringLiteral("https")};
inline const QStringList RemoteAuthenticationValues{QStringLiteral("negotiate"), QStringLiteral("ntlm"),
                                                    QStringLiteral("kerberos"), QStringLiteral("basic")};

// The application log's columns: time and message.
inline constexpr int LastLogColumn = 1;

// What the options need to know of the running program.
struct TProgramEnvironment {
    QStringList Arguments;       // the command line, the program first
    QString ProgramFolder;       // folder of the running program file
    QSize ScreenSize;            // the primary screen, for the window placement defaults
    bool Demo = false;           // the demo: its own settings folder, started from the shipped demo files
    QString SettingsFolder = {}; // chosen on the command line (dormiva-cli --config); empty: the usual one
};

// True when an argument is "-systemwideconfig" or "/systemwideconfig" in any letter case.
bool IsSystemWideConfig(const QStringList& arguments);
// The user's (or with systemWide all users') application-data folder; empty when unknown.
QString GetConfigRootFolder(bool systemWide);
// Fills the folder fields: settings and language folders under the root folder, defaults and
// shipped languages beside the program (or in share/dormiva of an installed prefix). The demo keeps
// its settings in a folder of its own beside the user's and takes its defaults from "Demo".
void ComputeFolders(TProgramOptions& options, const TProgramEnvironment& environment);
// The demo starts afresh each time: removes the options and the list the last demo left in its folder
// (after ComputeFolders with Demo set), so that they are copied from the shipped demo files again.
void ResetDemoSettings(const TProgramOptions& options);
// Makes sure settings folder + fileName exists, copied from the defaults folder or created empty,
// and returns its path. An existing file is never replaced. A new file is its owner's alone unless
// the settings are system-wide.
QString EnsureConfigFile(const TProgramOptions& options, const QString& fileName);
// Copies every shipped *.lng file into the language folder, replacing files of the same name.
void CopyLanguageFiles(const TProgramOptions& options);
// Window size 0 becomes two thirds of the screen, position 0 centres the window.
void ApplyWindowPlacementDefaults(TProgramOptions& options, const QSize& screen);
// Prepares the folders and files, reads options.xml, and starts the process-wide language
// changer and message table. Reading failures are reported through prompts; options then keep
// their defaults. secretStore holds the default password when options.xml says so; when it cannot
// give it, that is said and the default credentials are dropped, as under another key.
void LoadProgramOptions(TProgramOptions& options, const TProgramEnvironment& environment, IUserPrompts& prompts,
                        ISecretStore* secretStore = nullptr);
// The captions of the log columns in the current language.
void TranslateLogColumns(TListColumnLayout& columns);
// Writes every option back to options.xml, then releases the process-wide language changer. With
// bPasswordsInSecretStore the default password goes to secretStore; when it fails, that is said and
// the password goes into the file as usual.
void SaveProgramOptions(TProgramOptions& options, IUserPrompts& prompts, ISecretStore* secretStore = nullptr);
