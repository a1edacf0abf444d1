#include "PlatformWmi.h"

#include "ERemoteError.h"
#include "LangChanger.h"
#include "WsManClient.h"
#include "WsManNamespaces.h"
#include "uFormat.h"

#include <QDeadlineTimer>

// Off Windows the same WMI calls travel over WS-Management.
namespace Platform {

TWmiShutdownOutcome WmiShutdown(const QString& computer, const QString& userName, const QString& password, int flags,
                                const TRemoteSettings& settings) {
    // "." means this computer only to Windows' own WMI; here it would be no host at all.
    if (computer.isEmpty() || computer == QLatin1String("."))
        throw ERemoteError(LangStr(QStringLiteral("sRemoteNoComputer")), 0, computer);
    const QDeadlineTimer deadline(qint64(settings.EffectiveTimeoutSeconds()) * 1000);
    TWsManClient client(MakeWsManTransport(computer, userName, password, settings, deadline));
    const QString cimv2 = WsManNs::WmiResourcePrefix + QStringLiteral("root/cimv2/");
    // A computer has one primary operating system; a host that offers many is not to be called many times.
    constexpr qsizetype MaxOperatingSystems = 4;
    QList<TWsManEndpointReference> systems;
    try {
        systems = client.Enumerate(cimv2 + QLatin1Char('*'),
                                   QStringLiteral("SELECT * FROM Win32_OperatingSystem WHERE Primary=True"),
                                   MaxOperatingSystems);
    } catch (const ERemoteError& error) {
        if (!error.Unanswered())
            throw;
        // An unanswered query shuts nothing down: only the Win32Shutdown call may still act.
        throw ERemoteError(error.Text(), error.Code(), error.Computer());
    }
    TWmiShutdownOutcome outcome;
    for (const TWsManEndpointReference& system : systems) {
        const QHash<QString, QString> output = client.Invoke(
            system, QStringLiteral("Win32Shutdown"),
            {{QStringLiteral("Flags"), QString::number(flags)}, {QStringLiteral("Reserved"), QStringLiteral("0")}});
        bool isNumber = false;
        outcome.ReturnValue = output.value(QStringLiteral("ReturnValue")).toInt(&isNumber);
        if (!isNumber)
            throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteBadAnswer")),
                                      {computer, Format(LangStr(QStringLiteral("sRemoteAnswerLacks")),
                                                        {QStringLiteral("ReturnValue")})}),
                               0, computer);
        ++outcome.Objects;
        if (outcome.ReturnValue != 0)
            break;
    }
    return outcome;
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
