#pragma once

#include "NetUtil.h"
#include "uProbeEngine.h"

#include <QString>

#include <functional>

// Probes the host addresses of a range, leaving out those ending in .0 or .255, many at a time, and
// hands the live ones to the consumer in ascending order: an address goes out once every address before
// it is known. With names wanted, a live address is named by its NetBIOS node status and, failing that,
// by DNS; those queries run in parallel too.
class TAddressRangeScan {
public:
    // False stops the scan.
    using TReport = std::function<bool(const QString& address, const QString& name)>;
    using TStopRequested = std::function<bool()>;

    TAddressRangeScan(const TCheckSettings& check, bool resolveNames, TProbeLimits limits = {});

    // Whether the scan asks the address: it leaves out those ending in .0 or .255.
    static bool IsHostAddress(quint64 value);

    // Scans from first to last, both included; returns early when stopped.
    void Run(quint32 first, quint32 last, const TReport& report, const TStopRequested& stopRequested);

private:
    TCheckSettings m_check;
    bool m_resolveNames;
    TProbeLimits m_limits;
};
