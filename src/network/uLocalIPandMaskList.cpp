#include "uLocalIPandMaskList.h"

#include "PlatformSockets.h"

TIPAndMask::TIPAndMask(TAdapterSource source) : m_source(std::move(source)) {}

void TIPAndMask::Refresh() {
    m_addresses.Clear();
    for (const Platform::TAdapterInfo& adapter : m_source()) {
        for (const Platform::TAdapterAddress& entry : adapter.Addresses) {
            // An adapter without a configured address reports 0.0.0.0; nothing after it counts either.
            if (entry.Address.trimmed().isEmpty() || Platform::ParseIPv4(entry.Address) == 0u)
                break;
            TAddressItem& item = m_addresses.Add();
            item.AdapterName = adapter.Description;
            item.IpAddress = entry.Address;
            item.IpMAsk = entry.Mask;
            item.IpContext = static_cast<qint32>(entry.Context);
        }
    }
}
