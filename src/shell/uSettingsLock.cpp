#include "uSettingsLock.h"

#include "LangChanger.h"
#include "PlatformSettingsLock.h"
#include "uFormat.h"
#include "uUserPrompts.h"

#include <QDir>

Q_LOGGING_CATEGORY(lcSettings, "dormiva.settings", QtWarningMsg)

bool ClaimSettingsFolder(const QString& settingsFolder, IUserPrompts& prompts) {
    switch (Platform::LockSettingsFolder(settingsFolder)) {
    case Platform::TSettingsLock::Held:
        qCInfo(lcSettings) << "settings folder claimed";
        return true;
    case Platform::TSettingsLock::Unavailable:
        qCInfo(lcSettings) << "settings folder cannot be locked";
        return true;
    case Platform::TSettingsLock::InUse:
        break;
    }
    qCInfo(lcSettings) << "settings folder in use by another copy";
    prompts.Ask(Format(LangStr(QStringLiteral("sSettingsInUse")), {QDir::toNativeSeparators(settingsFolder)}),
                LangStr(QStringLiteral("sWarning")), TPromptButtons::OK, TPromptIcon::Warning);
    return false;
}
