#include "uAddressRangeScan.h"

#include "PlatformSockets.h"
#include "uLookupPool.h"

#include <QScopeGuard>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// Addresses under way past the first one not yet reported: bounds the memory of a huge range.
constexpr size_t Window = 4096;
// How soon a stop request is noticed while nothing arrives.
constexpr auto StopPoll = std::chrono::milliseconds(50);

enum class TStep { Check, NodeStatus, Dns };

struct TArrival {
    qsizetype Index = 0;
    TStep Step = TStep::Check;
    bool Answered = false;
    QString Name;
};

// What the probing and lookup threads hand to the scanning thread.
class TMailbox {
public:
    void Post(TArrival arrival) {
        {
            const std::lock_guard locker(m_lock);
            m_arrivals.push_back(std::move(arrival));
        }
        m_posted.notify_one();
    }
    std::deque<TArrival> Take(std::chrono::milliseconds wait) {
        std::unique_lock locker(m_lock);
        m_posted.wait_for(locker, wait, [this] { return !m_arrivals.empty(); });
        return std::exchange(m_arrivals, {});
    }

private:
    std::mutex m_lock;
    std::condition_variable m_posted;
    std::deque<TArrival> m_arrivals;
};

struct TSlot {
    QString Address;
    bool Known = false;
    bool Live = false;
    QString Name;
};

} // namespace

bool TAddressRangeScan::IsHostAddress(quint64 value) {
    const quint64 lastOctet = value & 0xFF;
    return lastOctet != 0 && lastOctet != 255;
}

TAddressRangeScan::TAddressRangeScan(const TCheckSettings& check, bool resolveNames, TProbeLimits limits)
    : m_check(check), m_resolveNames(resolveNames), m_limits(limits) {}

void TAddressRangeScan::Run(quint32 first, quint32 last, const TReport& report, const TStopRequested& stopRequested) {
    TMailbox mailbox;
    TProbeEngine engine(m_limits);
    std::thread probing([&engine, &mailbox] {
        engine.Run([&mailbox](qsizetype index, const TProbeTarget& target, const TProbeResult& result) {
            const bool nodeStatus = target.Method == TProbeMethod::NodeStatus;
            mailbox.Post({index, nodeStatus ? TStep::NodeStatus : TStep::Check, result.Answered,
                          nodeStatus ? ParseNodeStatusReply(result.Reply) : QString()});
        });
    });
    const auto stopProbing = qScopeGuard([&engine, &probing] {
        engine.Stop();
        probing.join();
    });
    TLookupPool dnsLookups;

    std::deque<TSlot> pending; // from the first address not yet reported on
    qsizetype cursor = 0;      // the index of pending.front()
    quint64 next = first;
    for (;;) {
        for (; next <= last && pending.size() < Window; ++next) {
            if (!IsHostAddress(next))
                continue;
            const QString address = Platform::FormatIPv4(quint32(next));
            engine.Add(cursor + qsizetype(pending.size()), m_check.Target(address));
            pending.push_back({address, false, false, QString()});
        }
        if (pending.empty() || stopRequested())
            return;
        for (TArrival& arrival : mailbox.Take(StopPoll)) {
            TSlot& slot = pending[size_t(arrival.Index - cursor)];
            switch (arrival.Step) {
            case TStep::Check:
                slot.Live = arrival.Answered;
                if (slot.Live && m_resolveNames) {
                    engine.Add(arrival.Index,
                               {slot.Address, TProbeMethod::NodeStatus, NetBIOSNamePort, m_check.TimeoutMs});
                    continue;
                }
                break;
            case TStep::NodeStatus:
                slot.Name = CleanComputerName(arrival.Name);
                if (slot.Name.isEmpty()) {
                    dnsLookups.Run([&mailbox, index = arrival.Index, address = slot.Address] {
                        mailbox.Post({index, TStep::Dns, true, ResolveIPToHostName(address)});
                    });
                    continue;
                }
                break;
            case TStep::Dns:
                slot.Name = CleanComputerName(arrival.Name);
                break;
            }
            slot.Known = true;
        }
        for (; !pending.empty() && pending.front().Known; ++cursor) {
            const TSlot slot = std::move(pending.front());
            pending.pop_front();
            if (slot.Live && !report(slot.Address, slot.Name))
                return;
        }
    }
}
