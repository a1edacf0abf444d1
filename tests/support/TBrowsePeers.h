#pragma once

#include "TNetworkNamespace.h"
#include "TPeerProcess.h"

#include <QTemporaryDir>

#include <memory>
#include <vector>

// A small Windows network for browse tests: a client namespace with a bridge, and one namespace per peer on
// it, each running nmbd and smbd (SMB1 allowed, as browsing needs it). The first peer of each workgroup is
// its local master browser. Everything is removed again when the object goes.
class TBrowsePeers {
public:
    struct TPeer {
        QString Name;
        QString Workgroup;
    };

    explicit TBrowsePeers(const QList<TPeer>& peers);
    ~TBrowsePeers();
    TBrowsePeers(const TBrowsePeers&) = delete;
    TBrowsePeers& operator=(const TBrowsePeers&) = delete;

    // Builds the network and starts the peers; false with the reason when that fails.
    bool Start(QString* why);
    // Waits until the master browsers list every workgroup and every computer of their own workgroup
    // (elections and announcements take 20 to 45 seconds); false with what is missing after the time-out.
    bool WaitForBrowseLists(int timeoutMs, QString* missing) const;
    // For an initTestCase: starts the network (skipping the test when it cannot run), waits for the browse
    // lists (failing it when they stay incomplete) and makes the calling thread, and the threads it starts
    // from then on, clients of the workgroup's browse list.
    void StartForTest(const QString& clientWorkgroup);
    // Takes the workgroups out of the master browsers' lists, so that they answer as a master browser that
    // knows of none; nmbd writes its lists again only when they change. False when a list cannot be written.
    bool ForgetWorkgroups() const;
    const TNetworkNamespace& Client() const { return *m_client; }
    // A home folder whose .smb/smb.conf makes clients of the browse list members of the workgroup.
    QString ClientHome(const QString& workgroup) const;

private:
    struct TRunning {
        TPeer Peer;
        bool Master = false;
        std::unique_ptr<TNetworkNamespace> Space;
        QString Folder;
        std::unique_ptr<TPeerProcess> Nmbd;
        std::unique_ptr<TPeerProcess> Smbd;
    };
    QString WriteConfig(const TRunning& peer, const QString& address) const;

    QTemporaryDir m_folder;
    std::unique_ptr<TNetworkNamespace> m_client;
    std::vector<TRunning> m_peers;
};
