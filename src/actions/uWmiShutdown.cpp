#include "uWmiShutdown.h"

#include "ERemoteError.h"
#include "LangChanger.h"
#include "PlatformWmi.h"
#include "uFormat.h"
#include "uProgramOptions.h"

int ShutdownFlags(int ShutdownType, bool Forced) {
    constexpr int ForcedFlag = 4;
    int flags = 8; // power off
    if (ShutdownType == 1)
        flags = 2; // reboot
    else if (ShutdownType == 2)
        flags = 0; // log off
    return Forced ? flags + ForcedFlag : flags;
}

namespace {

constexpr int ShutdownInProgress = 1115;
constexpr int ShutdownAlreadyScheduled = 1190;
constexpr int UsersLoggedOn = 1191;

QString RefusalText(int code) {
    switch (code) {
    case ShutdownInProgress:
        return Format(LangStr(QStringLiteral("sRemoteShutdownInProgress")), {code});
    case ShutdownAlreadyScheduled:
        return Format(LangStr(QStringLiteral("sRemoteShutdownScheduled")), {code});
    case UsersLoggedOn:
        return Format(LangStr(QStringLiteral("sRemoteUsersLoggedOn")), {code});
    default:
        return Format(LangStr(QStringLiteral("sRemoteSystemError")), {code, Platform::WindowsErrorText(code)});
    }
}

} // namespace

bool IsAlreadyGoingDown(qint64 code) {
    return code == ShutdownInProgress || code == ShutdownAlreadyScheduled;
}

int ShutdownComputer(const QString& Computer, const QString& UserName, const QString& Password, int ShutdownType,
                     bool Forced, const TRemoteSettings& Settings, const TShutdownNotice& Notice) {
    const TWmiShutdownOutcome outcome =
        Platform::WmiShutdown(Computer, UserName, Password, ShutdownFlags(ShutdownType, Forced), Notice, Settings);
    if (outcome.Objects == 0)
        return -1;
    // The code is the call's own answer, not the calling thread's unrelated last error.
    if (outcome.ReturnValue != 0)
        throw ERemoteError(RefusalText(outcome.ReturnValue), outcome.ReturnValue, Computer);
    return 0;
}

TRemoteSettings RemoteSettingsFromOptions(const TProgramOptions& options) {
    TRemoteSettings settings;
    settings.Https = options.RemoteProtocol.trimmed().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    settings.Port = options.RemotePort;
    settings.Authentication = TRemoteSettings::AuthenticationFromText(options.RemoteAuthentication);
    settings.VerifyCertificate = options.RemoteVerifyCertificate;
    settings.CaFile = options.RemoteCaFile;
    settings.AllowUnencrypted = options.RemoteAllowUnencrypted;
    settings.TimeoutSeconds = options.RemoteTimeout;
    return settings;
}
