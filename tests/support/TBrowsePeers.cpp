#include "TBrowsePeers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>

namespace {

constexpr const char* Subnet = "10.214.7.";

QString Executable(const QString& name) {
    return QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

// The names in a browse.dat: the first quoted field of every line.
QSet<QString> BrowseNames(const QString& path) {
    QFile file(path);
    QSet<QString> names;
    if (!file.open(QIODevice::ReadOnly))
        return names;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split('"');
        if (fields.size() > 1)
            names.insert(QString::fromLatin1(fields.at(1)));
    }
    return names;
}

} // namespace

TBrowsePeers::TBrowsePeers(const QList<TPeer>& peers) {
    // smbd serves anonymous callers as the guest account, which must reach the browse list in the cache.
    QFile::setPermissions(m_folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                               QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    QSet<QString> workgroups;
    for (const TPeer& peer : peers) {
        TRunning running;
        running.Peer = peer;
        running.Master = !workgroups.contains(peer.Workgroup);
        workgroups.insert(peer.Workgroup);
        m_peers.push_back(std::move(running));
    }
}

TBrowsePeers::~TBrowsePeers() {
    // Peers first, then their namespaces.
    for (TRunning& peer : m_peers) {
        peer.Smbd.reset();
        peer.Nmbd.reset();
    }
    m_peers.clear();
    m_client.reset();
}

bool TBrowsePeers::Start(QString* why) {
    if (Executable(QStringLiteral("nmbd")).isEmpty() || Executable(QStringLiteral("smbd")).isEmpty()) {
        *why = QStringLiteral("nmbd and smbd (Debian samba) are not installed");
        return false;
    }
    if (!TNetworkNamespace::CanCreate(why))
        return false;
    m_client = std::make_unique<TNetworkNamespace>(QStringLiteral("browse"));
    const TNetworkNamespace& client = *m_client;
    if (!client.Ip({"link", "add", "br0", "type", "bridge"}) || !client.Ip({"link", "set", "br0", "up"}) ||
        !client.Ip({"addr", "add", QString::fromLatin1(Subnet) + QStringLiteral("1/24"), "dev", "br0"})) {
        *why = QStringLiteral("the bridge could not be made");
        return false;
    }
    for (size_t i = 0; i < m_peers.size(); ++i) {
        TRunning& peer = m_peers[i];
        peer.Space = std::make_unique<TNetworkNamespace>(QStringLiteral("bp%1").arg(i));
        const QString link = QStringLiteral("bp%1").arg(i);
        const QString address = QString::fromLatin1(Subnet) + QString::number(i + 2);
        if (!peer.Space->IsCreated() ||
            !client.Ip({"link", "add", link, "type", "veth", "peer", "name", "eth0", "netns", peer.Space->Name()}) ||
            !client.Ip({"link", "set", link, "master", "br0"}) || !client.Ip({"link", "set", link, "up"}) ||
            !peer.Space->Ip({"addr", "add", address + QStringLiteral("/24"), "dev", "eth0"}) ||
            !peer.Space->Ip({"link", "set", "eth0", "up"})) {
            *why = QStringLiteral("the link of %1 could not be made").arg(peer.Peer.Name);
            return false;
        }
        peer.Folder = m_folder.filePath(peer.Peer.Name);
        const QString config = WriteConfig(peer, QString::fromLatin1(Subnet) + u'0');
        const QStringList inside{QStringLiteral("netns"), QStringLiteral("exec"), peer.Space->Name()};
        const QString ip = Executable(QStringLiteral("ip"));
        // Each daemon leads a process group of its own, which it ends with itself.
        const QStringList options{QStringLiteral("-F"), QStringLiteral("-s"), config};
        peer.Nmbd =
            std::make_unique<TPeerProcess>(ip, inside + QStringList{Executable(QStringLiteral("nmbd"))} + options);
        peer.Smbd =
            std::make_unique<TPeerProcess>(ip, inside + QStringList{Executable(QStringLiteral("smbd"))} + options);
        if (!peer.Nmbd->IsRunning() || !peer.Smbd->IsRunning()) {
            *why = QStringLiteral("the samba peers of %1 did not start: %2 %3")
                       .arg(peer.Peer.Name, peer.Nmbd->Output(), peer.Smbd->Output());
            return false;
        }
    }
    return true;
}

QString TBrowsePeers::WriteConfig(const TRunning& peer, const QString& address) const {
    for (const char* sub : {"lock", "state", "cache", "private", "pid", "ncalrpc", "log"})
        QDir().mkpath(peer.Folder + u'/' + QLatin1String(sub));
    const QString master = peer.Master ? QStringLiteral("yes") : QStringLiteral("no");
    QString text = QStringLiteral("[global]\n"
                                  "netbios name = %1\n"
                                  "workgroup = %2\n"
                                  "interfaces = %3/24\n"
                                  "bind interfaces only = yes\n"
                                  "server role = standalone server\n"
                                  "server min protocol = NT1\n"
                                  "map to guest = bad user\n"
                                  "local master = %4\n"
                                  "preferred master = %4\n"
                                  "os level = %5\n")
                       .arg(peer.Peer.Name, peer.Peer.Workgroup, address, master, peer.Master ? u"65"_qs : u"0"_qs);
    for (const char* sub : {"lock", "state", "cache", "pid", "ncalrpc"})
        text += QStringLiteral("%1 directory = %2/%1\n").arg(QLatin1String(sub), peer.Folder);
    text += QStringLiteral("private dir = %1/private\nlog file = %1/log/%m.log\n").arg(peer.Folder);
    const QString path = peer.Folder + QStringLiteral("/smb.conf");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
    return path;
}

void TBrowsePeers::StartForTest(const QString& clientWorkgroup) {
    QString why;
    if (!Start(&why))
        QSKIP(qPrintable(why));
    QString missing;
    QVERIFY2(WaitForBrowseLists(120000, &missing), qPrintable(missing));
    // Clients of the browse list read their smb.conf from the home folder once, at their first use.
    qputenv("HOME", ClientHome(clientWorkgroup).toLocal8Bit());
    QVERIFY(m_client->EnterOnThisThread());
}

bool TBrowsePeers::ForgetWorkgroups() const {
    constexpr quint32 DomainEnum = 0x80000000;
    for (const TRunning& master : m_peers) {
        if (!master.Master)
            continue;
        const QString path = master.Folder + QStringLiteral("/cache/browse.dat");
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        // A line: "NAME" TYPE "COMMENT" "WORKGROUP", the type in hexadecimal.
        QByteArray kept;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty() && !(line.split('"').value(2).trimmed().toUInt(nullptr, 16) & DomainEnum))
                kept += line + '\n';
        file.close();
        // smbd reads the list afresh for every caller: it must never see half of it.
        QFile written(path + QStringLiteral(".new"));
        if (!written.open(QIODevice::WriteOnly) || written.write(kept) != kept.size() || !written.flush())
            return false;
        written.close();
        if (std::rename(QFile::encodeName(written.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
            return false;
    }
    return true;
}

QString TBrowsePeers::ClientHome(const QString& workgroup) const {
    const QString home = m_folder.filePath(QStringLiteral("home"));
    QDir().mkpath(home + QStringLiteral("/.smb"));
    QFile file(home + QStringLiteral("/.smb/smb.conf"));
    // Caches of its own: the system's could hold addresses of an earlier test's peers.
    QString text = QStringLiteral("[global]\nworkgroup = %1\n").arg(workgroup);
    for (const char* folder : {"lock directory", "cache directory", "state directory", "private dir"})
        text += QStringLiteral("%1 = %2\n").arg(QLatin1String(folder), home);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
    return home;
}

bool TBrowsePeers::WaitForBrowseLists(int timeoutMs, QString* missing) const {
    QSet<QString> workgroups;
    for (const TRunning& peer : m_peers)
        workgroups.insert(peer.Peer.Workgroup);
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        missing->clear();
        for (const TRunning& master : m_peers) {
            if (!master.Master)
                continue;
            QSet<QString> expected = workgroups;
            for (const TRunning& peer : m_peers)
                if (peer.Peer.Workgroup == master.Peer.Workgroup)
                    expected.insert(peer.Peer.Name);
            const QSet<QString> listed = BrowseNames(master.Folder + QStringLiteral("/cache/browse.dat"));
            for (const QString& name : std::as_const(expected))
                if (!listed.contains(name))
                    *missing += QStringLiteral(" %1 lacks %2;").arg(master.Peer.Name, name);
        }
        if (missing->isEmpty())
            return true;
        if (deadline.hasExpired())
            return false;
        QTest::qWait(500);
    }
}
