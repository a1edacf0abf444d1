#pragma once

#include "PlatformAdapters.h"

#include <QList>
#include <QString>

#include <optional>

constexpr quint16 WakeOnLanPort = 9;
constexpr quint32 LimitedBroadcast = 0xFFFFFFFFu;

// Where a wake-up packet for a computer goes: the directed broadcast address of the first local adapter
// whose subnet holds the computer's address, else the limited broadcast 255.255.255.255 (also when the
// address is unknown, as a sleeping computer's name may no longer resolve).
quint32 WakeUpBroadcastAddress(std::optional<quint32> computer, const QList<Platform::TAdapterInfo>& adapters);

// Sends the magic packet for the hardware address (either typed form) to the broadcast address, UDP port 9.
// Empty on success, else why it failed.
QString SendWakeUpPacket(const QString& hardwareAddress, quint32 broadcast);
