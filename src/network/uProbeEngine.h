#pragma once

#include "PlatformProbeSockets.h"
#include "PlatformSockets.h"
#include "uLookupPool.h"
#include "uReplyMatcher.h"

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <unordered_map>

enum class TProbeMethod {
    None,       // no check: answers at once
    IcmpEcho,   // one ICMP echo
    TcpConnect, // a TCP connection to Port
    NodeStatus  // a NetBIOS node status query to UDP port Port
};

struct TProbeTarget {
    QString Host; // an address, or a host name that is looked up off the probing thread when its turn comes
    TProbeMethod Method = TProbeMethod::IcmpEcho;
    quint16 Port = 0; // of the TCP connection, or of the node status query (137 on a real network)
    quint32 TimeoutMs = 300;
};

struct TProbeResult {
    bool Answered = false;
    quint32 RoundTripMs = 0;
    QByteArray Reply;    // the node status reply
    quint32 Address = 0; // the address asked; 0 when none was
};

struct TProbeLimits {
    int MaxInFlight = 256;                  // 1 probes one target at a time
    std::chrono::microseconds Pacing{1000}; // between two probes sent
};

// Keeps many probes in flight on the thread that runs it, over one ICMP socket, one UDP socket and one
// TCP socket per pending connection. Each target has its own deadline from the moment its probe went out;
// a reply after it, or one that matches no probe in flight, is ignored. Targets are taken in the order
// they were added; each gets exactly one result, reported with the index it was added with.
class TProbeEngine {
public:
    using TResultHandler = std::function<void(qsizetype index, const TProbeTarget& target, const TProbeResult& result)>;
    // Blocks for as long as the resolver takes; runs on the engine's lookup threads.
    using THostLookup = std::function<std::optional<quint32>(const QString& host)>;

    explicit TProbeEngine(TProbeLimits limits = {}, THostLookup lookup = Platform::LookupIPv4);

    // These three may be called from any thread.
    void Add(qsizetype index, const TProbeTarget& target);
    // No more targets will come: Run returns once each has its result.
    void Finish();
    // Run returns promptly and reports nothing more.
    void Stop();

    // Probes until finished or stopped; onResult runs on the calling thread.
    void Run(const TResultHandler& onResult);

    // One target probed on the calling thread.
    static TProbeResult ProbeOne(const TProbeTarget& target);

private:
    using TClock = std::chrono::steady_clock;
    struct TQueued {
        qsizetype Index = 0;
        TProbeTarget Target;
        bool LookedUp = false;
        std::optional<quint32> Address; // once looked up
    };
    struct TInFlight {
        TQueued Queued;
        TClock::time_point Sent;
        TClock::time_point Deadline;
        quint16 Tag = 0;     // echo sequence or node status transaction
        int Connection = -1; // TCP
    };

    std::optional<TQueued> NextQueued();
    bool Stopped() const;
    bool QueueDrainedAndFinished();
    void StartProbe(TQueued queued);
    void StartLookup(TQueued queued);
    void SendEcho(TInFlight& probe, quint32 address);
    void ApplyEvents(const Platform::TProbeEvents& events);
    void Complete(quint64 probe, bool answered, QByteArray reply = {});
    void ExpireDue();
    int WaitMs(bool canSend) const;

    const TProbeLimits m_limits;
    Platform::TProbeSockets m_sockets;
    TReplyMatcher m_matcher;
    bool m_echoReady = false;
    const TResultHandler* m_onResult = nullptr;
    std::unordered_map<quint64, TInFlight> m_inFlight;
    std::unordered_map<int, quint64> m_connections;
    quint64 m_nextProbe = 0;
    TClock::time_point m_nextSend;

    const THostLookup m_lookup;

    mutable QMutex m_lock; // guards the five below
    std::deque<TQueued> m_queue;
    std::deque<TQueued> m_lookedUp;
    int m_lookingUp = 0;
    bool m_finished = false;
    bool m_stopped = false;

    // Last, so that its threads are joined before anything they report to goes.
    TLookupPool m_lookups;
};
