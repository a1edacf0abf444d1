#include "PlatformWmi.h"

#include "ERemoteError.h"
#include "LangChanger.h"
#include "WsManClient.h"
#include "WsManNamespaces.h"
#include "uFormat.h"

#include <QDeadlineTimer>

// Off Windows the same WMI calls travel over WS-Management.
namespace Platform {

namespace {

const QString PrimaryOperatingSystemQuery = QStringLiteral("SELECT * FROM Win32_OperatingSystem WHERE Primary=True");

// A computer has one primary operating system; a host that offers many is not to be called many times.
constexpr qsizetype MaxOperatingSystems = 4;

QString Cimv2AllClasses() {
    return WsManNs::WmiResourcePrefix + QStringLiteral("root/cimv2/*");
}

TWsManClient Connect(const QString& computer, const QString& userName, const QString& password,
                     const TRemoteSettings& settings) {
    // "." means this computer only to Windows' own WMI; here it would be no host at all.
    if (computer.isEmpty() || computer == QLatin1String("."))
        throw ERemoteError(LangStr(QStringLiteral("sRemoteNoComputer")), 0, computer);
    const QDeadlineTimer deadline(qint64(settings.EffectiveTimeoutSeconds()) * 1000);
    return TWsManClient(MakeWsManTransport(computer, userName, password, settings, deadline));
}

[[noreturn]] void RaiseAnswerLacks(const QString& computer, const QString& what) {
    throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteBadAnswer")),
                              {computer, Format(LangStr(QStringLiteral("sRemoteAnswerLacks")), {what})}),
                       0, computer);
}

QList<QPair<QString, QString>> ShutdownParameters(int flags, const TShutdownNotice& notice) {
    if (!notice.IsSet())
        return {{QStringLiteral("Flags"), QString::number(flags)}, {QStringLiteral("Reserved"), QStringLiteral("0")}};
    return {{QStringLiteral("Timeout"), QString::number(notice.DelaySeconds)},
            {QStringLiteral("Comment"), notice.Message},
            {QStringLiteral("ReasonCode"), QString::number(notice.ReasonCode)},
            {QStringLiteral("Flags"), QString::number(flags)}};
}

} // namespace

TWmiShutdownOutcome WmiShutdown(const QString& computer, const QString& userName, const QString& password, int flags,
                                const TShutdownNotice& notice, const TRemoteSettings& settings) {
    TWsManClient client = Connect(computer, userName, password, settings);
    QList<TWsManEndpointReference> systems;
    try {
        systems = client.Enumerate(Cimv2AllClasses(), PrimaryOperatingSystemQuery, MaxOperatingSystems);
    } catch (const ERemoteError& error) {
        if (!error.Unanswered())
            throw;
        // An unanswered query shuts nothing down: only the Win32Shutdown call may still act.
        throw ERemoteError(error.Text(), error.Code(), error.Computer());
    }
    const QString method = notice.IsSet() ? QStringLiteral("Win32ShutdownTracker") : QStringLiteral("Win32Shutdown");
    TWmiShutdownOutcome outcome;
    for (const TWsManEndpointReference& system : systems) {
        const QHash<QString, QString> output = client.Invoke(system, method, ShutdownParameters(flags, notice));
        bool isNumber = false;
        outcome.ReturnValue = output.value(QStringLiteral("ReturnValue")).toInt(&isNumber);
        if (!isNumber)
            RaiseAnswerLacks(computer, QStringLiteral("ReturnValue"));
        ++outcome.Objects;
        if (outcome.ReturnValue != 0)
            break;
    }
    return outcome;
}

QString WmiLastBootUpTime(const QString& computer, const QString& userName, const QString& password,
                          const TRemoteSettings& settings) {
    TWsManClient client = Connect(computer, userName, password, settings);
    const QList<QHash<QString, QString>> systems =
        client.EnumerateProperties(Cimv2AllClasses(), PrimaryOperatingSystemQuery, MaxOperatingSystems);
    const QString bootTime = systems.value(0).value(QStringLiteral("LastBootUpTime"));
    if (bootTime.isEmpty())
        RaiseAnswerLacks(computer, QStringLiteral("LastBootUpTime"));
    return bootTime;
}

// Stands in for the system's message table: Windows' own texts for the codes Win32Shutdown returns.
QString WindowsErrorText(qint64 code) {
    switch (code) {
    case 5:
        return QStringLiteral("Access is denied.");
    case 1115:
        return QStringLiteral("A system shutdown is in progress.");
    case 1190:
        return QStringLiteral("A system shutdown has already been scheduled.");
    case 1191:
        return QStringLiteral(
            "The system shutdown cannot be initiated because there are other users logged on to the computer.");
    case 1314:
        return QStringLiteral("A required privilege is not held by the client.");
    default:
        return QString();
    }
}

} // namespace Platform
