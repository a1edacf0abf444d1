#include "uShutdownReasons.h"

#include <QStringList>

namespace {

// The documented reason flags and codes (SHTDN_REASON_*).
constexpr quint32 Planned = 0x80000000;
constexpr quint32 MajorOther = 0x00000000;
constexpr quint32 MajorHardware = 0x00010000;
constexpr quint32 MajorOperatingSystem = 0x00020000;
constexpr quint32 MajorSoftware = 0x00030000;
constexpr quint32 MajorApplication = 0x00040000;
constexpr quint32 MajorPower = 0x00060000;
constexpr quint32 MinorOther = 0x0000;
constexpr quint32 MinorMaintenance = 0x0001;
constexpr quint32 MinorInstallation = 0x0002;
constexpr quint32 MinorUpgrade = 0x0003;
constexpr quint32 MinorReconfig = 0x0004;
constexpr quint32 MinorHung = 0x0005;
constexpr quint32 MinorUnstable = 0x0006;
constexpr quint32 MinorEnvironment = 0x000c;
constexpr quint32 MinorServicePack = 0x0010;
constexpr quint32 MinorHotfix = 0x0011;
constexpr quint32 MinorSecurityFix = 0x0012;
constexpr quint32 MinorSecurity = 0x0013;
constexpr quint32 MinorNetworkConnectivity = 0x0014;

constexpr quint32 MaxMajor = 0xff;
constexpr quint32 MaxMinor = 0xffff;

} // namespace

const QList<TShutdownReason>& ShutdownReasons() {
    static const QList<TShutdownReason> reasons{
        {"sReasonNone", 0},
        {"sReasonOtherPlanned", Planned | MajorOther | MinorOther},
        {"sReasonOtherUnplanned", MajorOther | MinorOther},
        {"sReasonHardwareMaintenancePlanned", Planned | MajorHardware | MinorMaintenance},
        {"sReasonHardwareMaintenanceUnplanned", MajorHardware | MinorMaintenance},
        {"sReasonHardwareInstallationPlanned", Planned | MajorHardware | MinorInstallation},
        {"sReasonOsUpgradePlanned", Planned | MajorOperatingSystem | MinorUpgrade},
        {"sReasonOsReconfigPlanned", Planned | MajorOperatingSystem | MinorReconfig},
        {"sReasonOsServicePackPlanned", Planned | MajorOperatingSystem | MinorServicePack},
        {"sReasonOsHotfixPlanned", Planned | MajorOperatingSystem | MinorHotfix},
        {"sReasonOsHotfixUnplanned", MajorOperatingSystem | MinorHotfix},
        {"sReasonOsSecurityFixPlanned", Planned | MajorOperatingSystem | MinorSecurityFix},
        {"sReasonOsSecurityFixUnplanned", MajorOperatingSystem | MinorSecurityFix},
        {"sReasonAppMaintenancePlanned", Planned | MajorApplication | MinorMaintenance},
        {"sReasonAppInstallationPlanned", Planned | MajorApplication | MinorInstallation},
        {"sReasonAppHungUnplanned", MajorApplication | MinorHung},
        {"sReasonAppUnstableUnplanned", MajorApplication | MinorUnstable},
        {"sReasonSoftwareInstallationPlanned", Planned | MajorSoftware | MinorInstallation},
        {"sReasonSecurityUnplanned", MajorOther | MinorSecurity},
        {"sReasonNetworkConnectivityUnplanned", MajorOperatingSystem | MinorNetworkConnectivity},
        {"sReasonPowerEnvironmentUnplanned", MajorPower | MinorEnvironment},
    };
    return reasons;
}

std::optional<quint32> ParseShutdownReason(const QString& text) {
    QStringList parts = text.trimmed().split(u':');
    quint32 flags = 0;
    if (parts.size() == 3) {
        const QString kind = parts.takeFirst().toLower();
        if (kind == QLatin1String("p"))
            flags = Planned;
        else if (kind != QLatin1String("u"))
            return std::nullopt;
    }
    if (parts.size() != 2)
        return std::nullopt;
    bool majorOk = false;
    bool minorOk = false;
    const uint major = parts[0].toUInt(&majorOk, 10);
    const uint minor = parts[1].toUInt(&minorOk, 10);
    if (!majorOk || !minorOk || major > MaxMajor || minor > MaxMinor)
        return std::nullopt;
    return flags | (major << 16) | minor;
}
