#include "uProbeEngine.h"

#include "NetUtil.h"
#include "PlatformSockets.h"

#include <QMutexLocker>

#include <algorithm>
#include <climits>

TProbeEngine::TProbeEngine(TProbeLimits limits, THostLookup lookup) : m_limits(limits), m_lookup(std::move(lookup)) {}

void TProbeEngine::Add(qsizetype index, const TProbeTarget& target) {
    bool wasEmpty = false;
    {
        const QMutexLocker locker(&m_lock);
        wasEmpty = m_queue.empty();
        m_queue.push_back({index, target, false, std::nullopt});
    }
    // A queue that held targets already has the engine awake for its next send slot.
    if (wasEmpty)
        m_sockets.Wake();
}

void TProbeEngine::Finish() {
    {
        const QMutexLocker locker(&m_lock);
        m_finished = true;
    }
    m_sockets.Wake();
}

void TProbeEngine::Stop() {
    {
        const QMutexLocker locker(&m_lock);
        m_stopped = true;
    }
    m_sockets.Wake();
}

TProbeResult TProbeEngine::ProbeOne(const TProbeTarget& target) {
    TProbeResult result;
    TProbeEngine engine({1, std::chrono::microseconds(0)});
    engine.Add(0, target);
    engine.Finish();
    engine.Run([&result](qsizetype, const TProbeTarget&, const TProbeResult& r) { result = r; });
    return result;
}

std::optional<TProbeEngine::TQueued> TProbeEngine::NextQueued() {
    const QMutexLocker locker(&m_lock);
    // Targets whose names came back go first: their turn came long ago.
    std::deque<TQueued>& from = m_lookedUp.empty() ? m_queue : m_lookedUp;
    if (m_stopped || from.empty())
        return std::nullopt;
    TQueued next = std::move(from.front());
    from.pop_front();
    return next;
}

namespace {

// Unpaced sends, to loopback, have their replies queued at once: read between bursts, before the socket's
// receive buffer overflows and drops replies that came in time.
constexpr int SendsBetweenReads = 32;

bool IsLoopback(quint32 address) {
    return (address >> 24) == 127;
}

} // namespace

bool TProbeEngine::Stopped() const {
    const QMutexLocker locker(&m_lock);
    return m_stopped;
}

bool TProbeEngine::QueueDrainedAndFinished() {
    const QMutexLocker locker(&m_lock);
    return m_stopped || (m_finished && m_queue.empty() && m_lookedUp.empty() && m_lookingUp == 0 && m_inFlight.empty());
}

void TProbeEngine::Run(const TResultHandler& onResult) {
    m_onResult = &onResult;
    const int maxInFlight = std::clamp(m_limits.MaxInFlight, 1, 65535);
    int sentUnread = 0;
    for (;;) {
        ExpireDue();
        if (QueueDrainedAndFinished())
            break;
        const bool canSend = static_cast<int>(m_inFlight.size()) < maxInFlight;
        const bool mustRead = sentUnread >= SendsBetweenReads;
        if (canSend && !mustRead && TClock::now() >= m_nextSend) {
            if (auto next = NextQueued()) {
                StartProbe(std::move(*next));
                ++sentUnread;
                continue;
            }
        }
        sentUnread = 0;
        ApplyEvents(m_sockets.Wait(mustRead ? 0 : WaitMs(canSend)));
    }
    for (const auto& [connection, probe] : m_connections)
        m_sockets.CloseConnection(connection);
    m_connections.clear();
    m_inFlight.clear();
    m_onResult = nullptr;
}

int TProbeEngine::WaitMs(bool canSend) const {
    TClock::time_point until = TClock::time_point::max();
    for (const auto& [id, probe] : m_inFlight)
        until = std::min(until, probe.Deadline);
    if (canSend) {
        // Only a queued target makes the next send slot worth waking for; Add wakes the wait otherwise.
        const QMutexLocker locker(&m_lock);
        if (!m_queue.empty() || !m_lookedUp.empty())
            until = std::min(until, m_nextSend);
    }
    if (until == TClock::time_point::max())
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - TClock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

void TProbeEngine::StartProbe(TQueued queued) {
    const auto now = TClock::now();
    const TProbeTarget& target = queued.Target;
    if (target.Method == TProbeMethod::None) {
        (*m_onResult)(queued.Index, target, {true, 0, {}});
        return;
    }
    const auto address = queued.LookedUp ? queued.Address : Platform::ParseIPv4(target.Host);
    if (!address && !queued.LookedUp)
        return StartLookup(std::move(queued));
    // Pacing spares the switches of a real network; loopback has none. Slots follow each other at a steady
    // cadence, so waking late never stretches the gap beyond the pacing on average.
    if (address && !IsLoopback(*address))
        m_nextSend = std::max(m_nextSend + m_limits.Pacing, now);
    if (!address) {
        (*m_onResult)(queued.Index, target, {});
        return;
    }
    const quint64 id = m_nextProbe++;
    queued.Address = address;
    TInFlight probe{std::move(queued), TClock::now(), {}, 0, -1};
    probe.Deadline = probe.Sent + std::chrono::milliseconds(target.TimeoutMs);
    bool sent = false;
    switch (probe.Queued.Target.Method) {
    case TProbeMethod::IcmpEcho:
        if (!m_echoReady) {
            const Platform::TEchoAccess access = m_sockets.EchoAccess();
            if (access == Platform::TEchoAccess::Denied)
                TellIcmpUnavailable();
            m_matcher.SetEchoSocket(m_sockets.EchoIdentifier(), access == Platform::TEchoAccess::Raw);
            m_echoReady = true;
        }
        probe.Tag = m_matcher.AddEcho(id, *address);
        sent = m_sockets.SendEcho(*address, IcmpEchoRequest(m_sockets.EchoIdentifier(), probe.Tag));
        if (!sent)
            m_matcher.RemoveEcho(probe.Tag);
        break;
    case TProbeMethod::NodeStatus: {
        probe.Tag = m_matcher.AddNodeStatus(id, *address);
        QByteArray request = NodeStatusRequest();
        request[0] = static_cast<char>(probe.Tag >> 8);
        request[1] = static_cast<char>(probe.Tag);
        sent = m_sockets.SendDatagram(*address, probe.Queued.Target.Port, request);
        if (!sent)
            m_matcher.RemoveNodeStatus(probe.Tag);
        break;
    }
    case TProbeMethod::TcpConnect:
        switch (m_sockets.StartConnect(*address, probe.Queued.Target.Port, probe.Connection)) {
        case Platform::TConnectStart::Connected:
            (*m_onResult)(probe.Queued.Index, probe.Queued.Target, {true, 0, {}, *address});
            return;
        case Platform::TConnectStart::OutOfSockets:
            if (!m_inFlight.empty()) {
                // Tried again once a probe in flight has given its socket back.
                const QMutexLocker locker(&m_lock);
                m_queue.push_front(std::move(probe.Queued));
                return;
            }
            break;
        case Platform::TConnectStart::Pending:
            m_connections.emplace(probe.Connection, id);
            sent = true;
            break;
        case Platform::TConnectStart::Failed:
            break;
        }
        break;
    case TProbeMethod::None:
        break;
    }
    if (!sent) {
        (*m_onResult)(probe.Queued.Index, probe.Queued.Target, {});
        return;
    }
    m_inFlight.emplace(id, std::move(probe));
}

// The resolver may take longer than any time-out: on this thread it would leave replies unread past
// their deadlines.
void TProbeEngine::StartLookup(TQueued queued) {
    {
        const QMutexLocker locker(&m_lock);
        ++m_lookingUp;
    }
    m_lookups.Run([this, queued = std::move(queued)]() mutable {
        queued.Address = m_lookup(queued.Target.Host);
        queued.LookedUp = true;
        {
            const QMutexLocker locker(&m_lock);
            --m_lookingUp;
            m_lookedUp.push_back(std::move(queued));
        }
        m_sockets.Wake();
    });
}

void TProbeEngine::ApplyEvents(const Platform::TProbeEvents& events) {
    for (const Platform::TReceivedDatagram& message : events.IcmpMessages) {
        if (const auto match = m_matcher.MatchIcmp(message.Data, message.From))
            Complete(match->Probe, match->Answered);
    }
    for (const Platform::TReceivedDatagram& datagram : events.Datagrams) {
        if (const auto match = m_matcher.MatchNodeStatus(datagram.Data, datagram.From))
            Complete(match->Probe, match->Answered, datagram.Data);
    }
    for (const Platform::TConnectOutcome& outcome : events.Connections) {
        const auto found = m_connections.find(outcome.Connection);
        if (found == m_connections.end())
            continue;
        const quint64 probe = found->second;
        Complete(probe, outcome.Connected);
    }
}

void TProbeEngine::Complete(quint64 id, bool answered, QByteArray reply) {
    const auto found = m_inFlight.find(id);
    if (found == m_inFlight.end())
        return;
    TInFlight probe = std::move(found->second);
    m_inFlight.erase(found);
    if (probe.Connection >= 0) {
        m_connections.erase(probe.Connection);
        m_sockets.CloseConnection(probe.Connection);
    }
    const auto now = TClock::now();
    // Read after its deadline, a reply counts for nothing, even if it was on its way in time.
    if (now > probe.Deadline)
        answered = false;
    if (!answered)
        reply.clear();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - probe.Sent).count();
    const TProbeResult result{
        answered, answered ? static_cast<quint32>(std::clamp<long long>(elapsed, 0, probe.Queued.Target.TimeoutMs)) : 0,
        std::move(reply), probe.Queued.Address.value_or(0)};
    if (!Stopped())
        (*m_onResult)(probe.Queued.Index, probe.Queued.Target, result);
}

void TProbeEngine::ExpireDue() {
    const auto now = TClock::now();
    std::vector<quint64> due;
    for (const auto& [id, probe] : m_inFlight) {
        if (now >= probe.Deadline)
            due.push_back(id);
    }
    for (const quint64 id : due) {
        const TInFlight& probe = m_inFlight.at(id);
        if (probe.Queued.Target.Method == TProbeMethod::IcmpEcho)
            m_matcher.RemoveEcho(probe.Tag);
        else if (probe.Queued.Target.Method == TProbeMethod::NodeStatus)
            m_matcher.RemoveNodeStatus(probe.Tag);
        Complete(id, false);
    }
}
