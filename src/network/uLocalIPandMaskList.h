#pragma once

#include "PlatformAdapters.h"
#include "uAddressCollection.h"

#include <functional>

using TAdapterSource = std::function<QList<Platform::TAdapterInfo>()>;

// The IPv4 addresses and masks of this computer's network adapters.
class TIPAndMask {
public:
    // The source reads the adapters; the system's by default.
    explicit TIPAndMask(TAdapterSource source = Platform::GetAdaptersIPv4);

    // Replaces the addresses with the current ones: adapters in order, each adapter's addresses in order
    // up to its first empty or 0.0.0.0 entry.
    void Refresh();
    const TAddressCollection& Addresses() const { return m_addresses; }

private:
    TAdapterSource m_source;
    TAddressCollection m_addresses;
};
