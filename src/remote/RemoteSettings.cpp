#include "RemoteSettings.h"

int TRemoteSettings::EffectivePort() const {
    if (Port > 0 && Port <= 65535)
        return Port;
    return Https ? 5986 : 5985;
}

TRemoteAuthentication TRemoteSettings::AuthenticationFromText(const QString& text) {
    const QString name = text.trimmed().toLower();
    if (name == QLatin1String("ntlm"))
        return TRemoteAuthentication::Ntlm;
    if (name == QLatin1String("kerberos"))
        return TRemoteAuthentication::Kerberos;
    if (name == QLatin1String("basic"))
        return TRemoteAuthentication::Basic;
    return TRemoteAuthentication::Negotiate;
}

QString TRemoteSettings::AuthenticationText(TRemoteAuthentication authentication) {
    switch (authentication) {
    case TRemoteAuthentication::Ntlm:
        return QStringLiteral("ntlm");
    case TRemoteAuthentication::Kerberos:
        return QStringLiteral("kerberos");
    case TRemoteAuthentication::Basic:
        return QStringLiteral("basic");
    case TRemoteAuthentication::Negotiate:
        break;
    }
    return QStringLiteral("negotiate");
}
