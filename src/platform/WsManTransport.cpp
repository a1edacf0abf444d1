#include "WsManTransport.h"

#include "ERemoteError.h"
#include "LangChanger.h"
#include "WsManBasicTransport.h"
#include "uFormat.h"

std::unique_ptr<IWsManTransport> MakeWsManTransport(const QString& computer, const QString& userName,
                                                    const QString& password, const TRemoteSettings& settings,
                                                    QDeadlineTimer deadline) {
    auto connection = std::make_unique<TWsManHttpConnection>(computer, settings, deadline);
    switch (settings.Authentication) {
    case TRemoteAuthentication::Basic:
        return std::make_unique<TWsManBasicTransport>(std::move(connection), userName, password);
    case TRemoteAuthentication::Negotiate:
    case TRemoteAuthentication::Ntlm:
    case TRemoteAuthentication::Kerberos:
        break;
    }
    throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteAuthNotSupported")),
                              {TRemoteSettings::AuthenticationText(settings.Authentication)}),
                       0, computer);
}
