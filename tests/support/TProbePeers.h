#pragma once

#include "TNetworkNamespace.h"

#include <memory>

// A client namespace that reaches a peer namespace over a veth pair, on the /24 subnetPrefix.0: the
// client is .1; in the peer, .2 answers ICMP echo but drops TCP, and .3 drops everything, so that
// time-outs are real. Nothing answers at .4.
class TProbePeers {
public:
    TProbePeers(const QString& label, const QString& subnetPrefix);

    // Whether every step of the set-up succeeded.
    bool IsReady() const { return m_ready; }
    const TNetworkNamespace& Client() const { return *m_client; }
    const TNetworkNamespace& Peer() const { return *m_peer; }
    QString Address(int host) const { return QStringLiteral("%1.%2").arg(m_prefix).arg(host); }

    // Takes CAP_NET_RAW from the calling thread only, so that it may not open raw sockets.
    static bool DropRawSocketCapability();

private:
    QString m_prefix;
    std::unique_ptr<TNetworkNamespace> m_client;
    std::unique_ptr<TNetworkNamespace> m_peer;
    bool m_ready = false;
};
