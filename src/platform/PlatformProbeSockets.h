#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>
#include <vector>

// The sockets of many concurrent reachability probes, waited on together by one thread: one ICMP socket
// for every echo, one UDP socket for every datagram request, and a non-blocking TCP socket per pending
// connection. Addresses are in host byte order. Only Wake may be called from another thread.
namespace Platform {

enum class TEchoAccess {
    Datagram, // an unprivileged ICMP socket: the system sets the identifier and delivers only our replies
    Raw,      // a raw socket: every ICMP message of the host arrives behind its IP header
    Denied,   // this process may not send ICMP echo at all
    Failed    // no ICMP socket for another reason
};

enum class TConnectStart { Pending, Connected, Failed, OutOfSockets };

struct TReceivedDatagram {
    quint32 From = 0;
    quint16 FromPort = 0;
    QByteArray Data;
};

struct TConnectOutcome {
    int Connection = -1;
    bool Connected = false;
};

struct TProbeEvents {
    std::vector<TReceivedDatagram> IcmpMessages;
    std::vector<TReceivedDatagram> Datagrams;
    std::vector<TConnectOutcome> Connections;
};

class TProbeSockets {
public:
    TProbeSockets();
    ~TProbeSockets();
    TProbeSockets(const TProbeSockets&) = delete;
    TProbeSockets& operator=(const TProbeSockets&) = delete;

    // Opens the ICMP socket on first use.
    TEchoAccess EchoAccess();
    // The identifier the replies to our echoes carry (for a datagram socket, the one the system gave it).
    quint16 EchoIdentifier();
    bool SendEcho(quint32 address, const QByteArray& message);
    bool SendDatagram(quint32 address, quint16 port, const QByteArray& data);

    // Starts a TCP connection; connection identifies it in later events while Pending.
    TConnectStart StartConnect(quint32 address, quint16 port, int& connection);
    // Closes a connection, pending or not.
    void CloseConnection(int connection);

    // Waits at most timeoutMs (-1: until something happens or Wake) and gives what arrived.
    TProbeEvents Wait(int timeoutMs);
    // Ends a running or the next Wait early; safe from any thread.
    void Wake();

private:
    struct TState;
    std::unique_ptr<TState> m_state;
};

} // namespace Platform
