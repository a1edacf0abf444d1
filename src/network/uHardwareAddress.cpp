#include "uHardwareAddress.h"

#include <QStringList>

namespace {

constexpr int MagicRepeats = 16;

} // namespace

QByteArray HardwareAddressBytes(const QString& text) {
    const QString trimmed = text.trimmed();
    const QChar separator = trimmed.contains(u'-') ? u'-' : u':';
    const QStringList parts = trimmed.split(separator);
    if (parts.size() != HardwareAddressSize)
        return {};
    QByteArray bytes;
    for (const QString& part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok, 16);
        // toUInt would take "+f" or " f"; only two plain digits make a pair.
        if (part.size() != 2 || !ok || !part.at(0).isLetterOrNumber() || !part.at(1).isLetterOrNumber())
            return {};
        bytes.append(static_cast<char>(value));
    }
    return bytes;
}

std::optional<QString> NormalizeHardwareAddress(const QString& text) {
    if (text.trimmed().isEmpty())
        return QString();
    const QString address = FormatHardwareAddress(HardwareAddressBytes(text));
    if (address.isEmpty())
        return std::nullopt;
    return address;
}

QString FormatHardwareAddress(const QByteArray& bytes) {
    if (bytes.size() != HardwareAddressSize || bytes == QByteArray(HardwareAddressSize, '\0') ||
        (static_cast<quint8>(bytes[0]) & 0x01) != 0)
        return {};
    return QString::fromLatin1(bytes.toHex('-').toUpper());
}

QByteArray MagicPacket(const QByteArray& hardwareAddress) {
    QByteArray packet(HardwareAddressSize, '\xFF');
    for (int i = 0; i < MagicRepeats; ++i)
        packet += hardwareAddress;
    return packet;
}
