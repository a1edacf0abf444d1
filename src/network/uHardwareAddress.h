#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Hardware (MAC) addresses of computers, as typed, stored and sent. The stored form is six pairs of
// upper-case hexadecimal digits joined by hyphens ("00-1A-2B-3C-4D-5E"), the form Windows shows.

constexpr int HardwareAddressSize = 6;

// The stored form of a typed address: six pairs of hexadecimal digits joined by ":" or by "-" (one
// separator throughout), blanks around it ignored, that a single adapter can carry. The empty text stays
// empty (no address known); none for anything else.
std::optional<QString> NormalizeHardwareAddress(const QString& text);
// The six bytes of an address in either typed form; empty when it is none.
QByteArray HardwareAddressBytes(const QString& text);
// The stored form of six bytes; empty for what no single adapter carries: all zeros, the broadcast
// address, a group (multicast) address, or not six bytes.
QString FormatHardwareAddress(const QByteArray& bytes);

// The wake-up packet for six address bytes: six 0xFF bytes, then the address sixteen times.
QByteArray MagicPacket(const QByteArray& hardwareAddress);
