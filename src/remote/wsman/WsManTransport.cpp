#include "WsManTransport.h"

#include "ERemoteError.h"
#include "LangChanger.h"
#include "WsManBasicTransport.h"
#include "WsManNtlmTransport.h"
#include "uFormat.h"

std::unique_ptr<IWsManTransport> MakeWsManTransport(const QString& computer, const QString& userName,
                                                    const QString& password, const TRemoteSettings& settings,
                                                    QDeadlineTimer deadline) {
    auto connection = std::make_unique<TWsManHttpConnection>(computer, settings, deadline);
    switch (settings.Authentication) {
    case TRemoteAuthentication::Basic:
        // As WinRM itself, Basic over HTTP only where it was allowed on purpose.
        if (!settings.Https && !settings.AllowUnencrypted)
            throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteBasicNeedsHttps")), {computer}), 0, computer);
        return std::make_unique<TWsManBasicTransport>(std::move(connection), userName, password);
    case TRemoteAuthentication::Negotiate:
    case TRemoteAuthentication::Ntlm:
        // Off Windows there is no logon session to borrow: NTLM needs the name and password given.
        if (userName.isEmpty())
            throw ERemoteError(Format(LangStr(QStringLiteral("sNtlmNeedsCredentials")), {computer}), 0, computer);
        return std::make_unique<TWsManNtlmTransport>(std::move(connection), userName, password,
                                                     settings.Authentication == TRemoteAuthentication::Ntlm);
    case TRemoteAuthentication::Kerberos:
        break;
    }
    throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteAuthNotSupported")),
                              {TRemoteSettings::AuthenticationText(settings.Authentication)}),
                       0, computer);
}
