#pragma once

#include <QString>

#include <functional>

// The computer accounts of a directory domain over LDAP. Each call may take seconds; any thread may call.
namespace Platform {

struct TDirectoryQuery {
    QString Server; // host name or address; empty: the domain's domain controllers from DNS
    QString Domain; // DNS name of the domain; empty: the Kerberos default realm or this host's DNS domain
    QString UserName;
    QString Password;
    bool VerifyCertificate = true;
    bool IncludeDisabled = false;
};

struct TDirectoryResult {
    // NoServer: DNS has no record of a directory server; NoServerAnswer: DNS did not answer.
    enum TKind { Success, NoDomain, NoServer, NoServerAnswer, Failed, Unavailable };
    TKind Kind = Success;
    QString Server; // the server or the DNS record tried
    QString Reason; // the library's text of the failure
};

// Called once with the NetBIOS and the DNS name of the domain, before any computer; false stops.
using TDirectoryDomainHandler = std::function<bool(const QString& netBIOSName, const QString& dnsName)>;
// Called with the name of every computer as it arrives; false stops.
using TDirectoryNameHandler = std::function<bool(const QString& name)>;

TDirectoryResult SearchDirectoryComputers(const TDirectoryQuery& query, const TDirectoryDomainHandler& onDomain,
                                          const TDirectoryNameHandler& onComputer);

} // namespace Platform
