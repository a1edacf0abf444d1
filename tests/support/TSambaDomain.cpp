#include "TSambaDomain.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr const char* RealmName = "DORMTEST.LAN";
constexpr const char* BaseDN = "DC=dormtest,DC=lan";

QString Executable(const QString& name) {
    return QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

bool WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

TSambaDomain::TSambaDomain() = default;

TSambaDomain::~TSambaDomain() {
    // The controller first, then its namespaces.
    m_samba.reset();
    m_server.reset();
    m_client.reset();
}

QString TSambaDomain::ServerAddress() {
    return QStringLiteral("10.215.9.2");
}

QString TSambaDomain::SilentAddress() {
    return QStringLiteral("10.215.9.99");
}

QString TSambaDomain::NetBIOSDomain() {
    return QStringLiteral("DORMTEST");
}

QString TSambaDomain::AdminName() {
    return QStringLiteral("Administrator@dormtest.lan");
}

QString TSambaDomain::AdminPassword() {
    return QStringLiteral("Dormiva-Test-Pa55");
}

QString TSambaDomain::Realm() {
    return QLatin1String(RealmName);
}

QString TSambaDomain::CaCertificateFile() const {
    return m_folder.filePath(QStringLiteral("cert.pem"));
}

QString TSambaDomain::Krb5Config() const {
    return m_folder.filePath(QStringLiteral("krb5.conf"));
}

bool TSambaDomain::Run(const TNetworkNamespace& space, const QStringList& command, QString* why,
                       const QStringList& environment, const QByteArray& input) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList env = QProcess::systemEnvironment();
    env += environment;
    process.setEnvironment(env);
    process.start(Executable(QStringLiteral("ip")), QStringList{"netns", "exec", space.Name()} + command);
    process.write(input);
    process.closeWriteChannel();
    const bool ok =
        process.waitForFinished(180000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok) {
        process.kill();
        process.waitForFinished(5000);
        *why = QStringLiteral("%1 failed: %2").arg(command.first(), QString::fromLocal8Bit(process.readAll()));
    }
    return ok;
}

bool TSambaDomain::Start(QString* why) {
    for (const char* program : {"samba", "samba-tool", "ldapadd", "ldapsearch", "kinit", "openssl"})
        if (Executable(QLatin1String(program)).isEmpty()) {
            *why = QStringLiteral("%1 is not installed (see scripts/deps.txt)").arg(QLatin1String(program));
            return false;
        }
    if (!TNetworkNamespace::CanCreate(why))
        return false;
    m_client = std::make_unique<TNetworkNamespace>(QStringLiteral("adcl"));
    m_server = std::make_unique<TNetworkNamespace>(QStringLiteral("addc"));
    if (!m_client->IsCreated() || !m_server->IsCreated() ||
        !m_client->Ip({"link", "add", "addc0", "type", "veth", "peer", "name", "eth0", "netns", m_server->Name()}) ||
        !m_client->Ip({"addr", "add", "10.215.9.1/24", "dev", "addc0"}) ||
        !m_client->Ip({"link", "set", "addc0", "up"}) || !m_client->Ip({"link", "set", "lo", "up"}) ||
        !m_server->Ip({"addr", "add", ServerAddress() + QStringLiteral("/24"), "dev", "eth0"}) ||
        !m_server->Ip({"link", "set", "eth0", "up"}) || !m_server->Ip({"link", "set", "lo", "up"})) {
        *why = QStringLiteral("the link to the domain controller could not be made");
        return false;
    }
    const QString folder = m_folder.path();
    for (const char* sub : {"pid", "ncalrpc", "log"})
        QDir().mkpath(folder + u'/' + QLatin1String(sub));
    // A certificate for the address the tests use: the one Samba makes names only its host.
    const QString key = m_folder.filePath(QStringLiteral("key.pem"));
    if (!Run(*m_client,
             {"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=dc1.dormtest.lan",
              "-addext", QStringLiteral("subjectAltName=IP:%1,DNS:dc1.dormtest.lan").arg(ServerAddress()), "-keyout",
              key, "-out", CaCertificateFile()},
             why) ||
        !QFile::setPermissions(key, QFile::ReadOwner | QFile::WriteOwner))
        return false;
    const QStringList options{QStringLiteral("interfaces = lo eth0"),
                              QStringLiteral("bind interfaces only = yes"),
                              QStringLiteral("pid directory = %1/pid").arg(folder),
                              QStringLiteral("ncalrpc dir = %1/ncalrpc").arg(folder),
                              QStringLiteral("log file = %1/log/%m.log").arg(folder),
                              QStringLiteral("tls certfile = %1").arg(CaCertificateFile()),
                              QStringLiteral("tls keyfile = %1").arg(key),
                              QStringLiteral("tls cafile = %1").arg(CaCertificateFile())};
    QStringList provision{"samba-tool",
                          "domain",
                          "provision",
                          QStringLiteral("--realm=%1").arg(QLatin1String(RealmName)),
                          QStringLiteral("--domain=%1").arg(NetBIOSDomain()),
                          "--server-role=dc",
                          "--dns-backend=SAMBA_INTERNAL",
                          "--host-name=dc1",
                          QStringLiteral("--host-ip=%1").arg(ServerAddress()),
                          QStringLiteral("--adminpass=%1").arg(AdminPassword()),
                          QStringLiteral("--targetdir=%1").arg(folder)};
    for (const QString& option : options)
        provision.append(QStringLiteral("--option=%1").arg(option));
    if (!Run(*m_server, provision, why))
        return false;
    const QString config = folder + QStringLiteral("/etc/smb.conf");
    // Kerberos addresses the controller by the address the tests use.
    if (!Run(*m_server,
             {"samba-tool", "spn", "add", QStringLiteral("ldap/%1").arg(ServerAddress()), "DC1$", "-s", config}, why))
        return false;
    const QString krb5 = QStringLiteral("[libdefaults]\n default_realm = %1\n dns_lookup_kdc = false\n"
                                        " dns_lookup_realm = false\n rdns = false\n dns_canonicalize_hostname = false\n"
                                        "[realms]\n %1 = {\n  kdc = %2\n }\n"
                                        // Test services are named NAME.localhost, which libcurl keeps on loopback.
                                        "[domain_realm]\n .localhost = %1\n")
                             .arg(QLatin1String(RealmName), ServerAddress());
    if (!WriteFile(Krb5Config(), krb5.toUtf8())) {
        *why = QStringLiteral("the Kerberos configuration could not be written");
        return false;
    }
    m_samba = std::make_unique<TPeerProcess>(
        Executable(QStringLiteral("ip")),
        QStringList{"netns", "exec", m_server->Name(), Executable(QStringLiteral("samba")), "-F", "-s", config});
    if (!m_samba->IsRunning() || !WaitForLdap(120000)) {
        *why = QStringLiteral("the domain controller did not answer: %1").arg(m_samba->Output());
        return false;
    }
    return true;
}

bool TSambaDomain::WaitForLdap(int timeoutMs) const {
    const QDeadlineTimer deadline(timeoutMs);
    QString why;
    while (!deadline.hasExpired()) {
        if (!m_samba->IsRunning())
            return false;
        if (Run(*m_client,
                {"ldapsearch", "-x", "-H", QStringLiteral("ldap://%1").arg(ServerAddress()), "-b", "", "-s", "base",
                 "defaultNamingContext"},
                &why))
            return true;
        QThread::msleep(500);
    }
    return false;
}

bool TSambaDomain::AddComputers(const QList<TComputer>& computers, QString* why) const {
    QByteArray ldif;
    for (const TComputer& computer : computers)
        ldif += QStringLiteral("dn: CN=%1,CN=Computers,%2\nobjectClass: computer\nsAMAccountName: %1$\n"
                               "userAccountControl: %3\n\n")
                    .arg(computer.Name, QLatin1String(BaseDN), computer.Disabled ? u"4098"_qs : u"4096"_qs)
                    .toUtf8();
    return Run(*m_client,
               {"ldapadd", "-ZZ", "-x", "-H", QStringLiteral("ldap://%1").arg(ServerAddress()), "-D", AdminName(), "-w",
                AdminPassword()},
               why, {QStringLiteral("LDAPTLS_CACERT=%1").arg(CaCertificateFile())}, ldif);
}

bool TSambaDomain::AddHttpService(const QString& account, const QString& host, const QString& keytabFile,
                                  QString* why) const {
    const QString config = m_folder.path() + QStringLiteral("/etc/smb.conf");
    const QString principal = QStringLiteral("HTTP/%1").arg(host);
    // A service account with a password has the keys that the service's tickets are sealed with.
    return Run(*m_server,
               {"samba-tool", "user", "create", account, AdminPassword() + QStringLiteral("-svc"), "-s", config},
               why) &&
           Run(*m_server, {"samba-tool", "spn", "add", principal, account, "-s", config}, why) &&
           Run(*m_server,
               {"samba-tool", "domain", "exportkeytab", keytabFile, QStringLiteral("--principal=%1").arg(principal),
                "-s", config},
               why);
}

bool TSambaDomain::GetTicket(const QString& cacheFile, QString* why, int lifetimeSeconds) const {
    QStringList command{"kinit"};
    if (lifetimeSeconds > 0)
        command << "-l" << QStringLiteral("%1s").arg(lifetimeSeconds);
    command << QStringLiteral("Administrator@%1").arg(QLatin1String(RealmName));
    return Run(
        *m_client, command, why,
        {QStringLiteral("KRB5_CONFIG=%1").arg(Krb5Config()), QStringLiteral("KRB5CCNAME=FILE:%1").arg(cacheFile)},
        AdminPassword().toUtf8() + '\n');
}
