#pragma once

#include "TNetworkNamespace.h"
#include "TPeerProcess.h"

#include <QTemporaryDir>

#include <memory>

// A Samba Active Directory domain controller in a namespace of its own, linked to a client namespace
// that tests enter. It has its own certificate for its address (trusted through CaCertificateFile) and
// its own Kerberos realm (reached through Krb5Config). Everything is removed again when the object goes.
class TSambaDomain {
public:
    struct TComputer {
        QString Name;
        bool Disabled = false;
    };

    TSambaDomain();
    ~TSambaDomain();
    TSambaDomain(const TSambaDomain&) = delete;
    TSambaDomain& operator=(const TSambaDomain&) = delete;

    // Builds the network, provisions the domain and starts the controller until LDAP answers; false with
    // the reason when that fails.
    bool Start(QString* why);
    bool AddComputers(const QList<TComputer>& computers, QString* why) const;
    // Gets the administrator a ticket in the credentials cache file; KRB5_CONFIG must name Krb5Config().
    // A lifetime in seconds, when given, makes a ticket that soon expires.
    bool GetTicket(const QString& cacheFile, QString* why, int lifetimeSeconds = 0) const;
    // Makes a service account with the principal HTTP/<host> and writes its keys to the keytab.
    bool AddHttpService(const QString& account, const QString& host, const QString& keytabFile, QString* why) const;

    const TNetworkNamespace& Client() const { return *m_client; }
    static QString ServerAddress();
    // An address on the client's link where no computer answers.
    static QString SilentAddress();
    static QString NetBIOSDomain();
    static QString AdminName();
    static QString AdminPassword();
    static QString Realm();
    QString CaCertificateFile() const;
    QString Krb5Config() const;

private:
    // Runs a program inside a namespace with extra environment and input; false with its output.
    static bool Run(const TNetworkNamespace& space, const QStringList& command, QString* why,
                    const QStringList& environment = {}, const QByteArray& input = {});
    bool WaitForLdap(int timeoutMs) const;

    QTemporaryDir m_folder;
    std::unique_ptr<TNetworkNamespace> m_client;
    std::unique_ptr<TNetworkNamespace> m_server;
    std::unique_ptr<TPeerProcess> m_samba;
};
