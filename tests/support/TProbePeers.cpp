#include "TProbePeers.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

TProbePeers::TProbePeers(const QString& label, const QString& subnetPrefix)
    : m_prefix(subnetPrefix), m_client(std::make_unique<TNetworkNamespace>(label + QStringLiteral("-client"))),
      m_peer(std::make_unique<TNetworkNamespace>(label + QStringLiteral("-peer"))) {
    const QString icmpOnly = Address(2);
    const QString silent = Address(3);
    m_ready = m_client->IsCreated() && m_peer->IsCreated() &&
              m_client->Ip({"link", "add", "c0", "type", "veth", "peer", "name", "p0", "netns", m_peer->Name()}) &&
              m_client->Ip({"addr", "add", Address(1) + "/24", "dev", "c0"}) &&
              m_peer->Ip({"addr", "add", icmpOnly + "/24", "dev", "p0"}) &&
              m_peer->Ip({"addr", "add", silent + "/24", "dev", "p0"}) && m_client->Ip({"link", "set", "c0", "up"}) &&
              m_peer->Ip({"link", "set", "p0", "up"}) &&
              m_peer->Exec({"nft", "add table inet dormiva; "
                                   "add chain inet dormiva input { type filter hook input priority 0; }; "
                                   "add rule inet dormiva input ip daddr " +
                                       icmpOnly +
                                       " meta l4proto tcp drop; "
                                       "add rule inet dormiva input ip daddr " +
                                       silent + " drop"});
}

bool TProbePeers::DropRawSocketCapability() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    data[CAP_TO_INDEX(CAP_NET_RAW)].effective &= ~CAP_TO_MASK(CAP_NET_RAW);
    return ::syscall(SYS_capset, &header, data) == 0;
}
