#include "WsManTransport.h"

#include "ERemoteError.h"
#include "KerberosError.h"
#include "LangChanger.h"
#include "WsManBasicTransport.h"
#include "WsManKerberosTransport.h"
#include "WsManNtlmTransport.h"
#include "uFormat.h"

#include <QRegularExpression>

namespace {

// Kerberos names services by DNS name: an address, this computer or no name at all cannot have a ticket.
bool HasServiceName(const QString& computer) {
    static const QRegularExpression ipv4(QStringLiteral("^\\d{1,3}(\\.\\d{1,3}){3}$"));
    const QString name = computer.trimmed();
    return !name.isEmpty() && name != QLatin1String(".") &&
           name.compare(QLatin1String("localhost"), Qt::CaseInsensitive) && !name.contains(QLatin1Char(':')) &&
           !ipv4.match(name).hasMatch();
}

// Raises TKerberosError, leaving the connection to the caller, when no ticket can be had.
std::unique_ptr<IWsManTransport> MakeKerberosTransport(std::unique_ptr<TWsManHttpConnection>& connection,
                                                       const QString& userName, const QString& password,
                                                       TKerberosClient::TMechanism mechanism) {
    auto client = std::make_unique<TKerberosClient>(connection->Computer().trimmed(), userName, password, mechanism);
    return std::make_unique<TWsManKerberosTransport>(std::move(connection), std::move(client), mechanism);
}

} // namespace

std::unique_ptr<IWsManTransport> MakeWsManTransport(const QString& computer, const QString& userName,
                                                    const QString& password, const TRemoteSettings& settings,
                                                    QDeadlineTimer deadline) {
    auto connection = std::make_unique<TWsManHttpConnection>(computer, settings, deadline);
    switch (settings.Authentication) {
    case TRemoteAuthentication::Basic:
        if (userName.isEmpty())
            throw ERemoteError(Format(LangStr(QStringLiteral("sBasicNeedsCredentials")), {computer}), 0, computer);
        // As WinRM itself, Basic over HTTP only where it was allowed on purpose.
        if (!settings.Https && !settings.AllowUnencrypted)
            throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteBasicNeedsHttps")), {computer}), 0, computer);
        return std::make_unique<TWsManBasicTransport>(std::move(connection), userName, password);
    case TRemoteAuthentication::Negotiate:
        // Kerberos when a ticket can be had for the computer, else NTLM, as Windows' Negotiate does.
        if (HasServiceName(computer) && TKerberosClient::RealmKnown(computer.trimmed(), userName)) {
            try {
                return MakeKerberosTransport(connection, userName, password, TKerberosClient::TMechanism::Spnego);
            } catch (const TKerberosError& error) {
                // Without a user name there is nothing NTLM could log on with: the missing ticket is the cause.
                // A password the domain refused would be refused by NTLM as well, with less said.
                if (userName.isEmpty() || error.Kind() == TKerberosError::TKind::WrongPassword)
                    throw ERemoteError(error.Text(), 0, computer);
            }
        }
        [[fallthrough]];
    case TRemoteAuthentication::Ntlm:
        // Off Windows there is no logon session to borrow: NTLM needs the name and password given.
        if (userName.isEmpty())
            throw ERemoteError(Format(LangStr(QStringLiteral("sNtlmNeedsCredentials")), {computer}), 0, computer);
        return std::make_unique<TWsManNtlmTransport>(std::move(connection), userName, password,
                                                     settings.Authentication == TRemoteAuthentication::Ntlm);
    case TRemoteAuthentication::Kerberos:
        if (!HasServiceName(computer))
            throw ERemoteError(Format(LangStr(QStringLiteral("sKerberosNeedsName")), {computer}), 0, computer);
        try {
            return MakeKerberosTransport(connection, userName, password, TKerberosClient::TMechanism::Kerberos);
        } catch (const TKerberosError& error) {
            throw ERemoteError(error.Text(), 0, computer);
        }
    }
    throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteAuthNotSupported")),
                              {TRemoteSettings::AuthenticationText(settings.Authentication)}),
                       0, computer);
}
