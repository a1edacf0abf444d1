#include "uWakeOnLan.h"

#include "PlatformBroadcast.h"
#include "PlatformSockets.h"
#include "uHardwareAddress.h"

quint32 WakeUpBroadcastAddress(std::optional<quint32> computer, const QList<Platform::TAdapterInfo>& adapters) {
    if (!computer)
        return LimitedBroadcast;
    for (const Platform::TAdapterInfo& adapter : adapters) {
        for (const Platform::TAdapterAddress& entry : adapter.Addresses) {
            const auto address = Platform::ParseIPv4(entry.Address);
            const auto mask = Platform::ParseIPv4(entry.Mask);
            // A host route (/32) or an unset mask names no subnet with a broadcast of its own.
            if (!address || !mask || *mask == 0 || *mask == 0xFFFFFFFEu)
                continue;
            if ((*address & *mask) == (*computer & *mask))
                return *address | ~*mask;
        }
    }
    return LimitedBroadcast;
}

QString SendWakeUpPacket(const QString& hardwareAddress, quint32 broadcast) {
    return Platform::SendBroadcastDatagram(broadcast, WakeOnLanPort,
                                           MagicPacket(HardwareAddressBytes(hardwareAddress)));
}
