#include "HostDescription.h"

namespace {

// A range is bounded so that a typing error cannot ask for millions of sockets.
constexpr quint32 MaxHostsPerRange = 65536;

} // namespace

QString THostSpec::Parse(const QString& text, THostSpec& result) {
    QStringList words = text.split(QLatin1Char(','));
    const QString range = words.takeFirst().trimmed();
    const QString firstText = range.section(QLatin1Char('-'), 0, 0);
    const QString lastText = range.section(QLatin1Char('-'), 1);
    const QHostAddress first(firstText);
    if (first.isNull())
        return QStringLiteral("not an address: ") + firstText;
    result.Addresses.clear();
    if (lastText.isEmpty()) {
        result.Addresses.append(first);
    } else {
        const QHostAddress last(lastText);
        if (first.protocol() != QAbstractSocket::IPv4Protocol || last.protocol() != QAbstractSocket::IPv4Protocol ||
            last.toIPv4Address() < first.toIPv4Address() ||
            last.toIPv4Address() - first.toIPv4Address() >= MaxHostsPerRange)
            return QStringLiteral("not an IPv4 range of at most 65536 addresses: ") + range;
        for (quint32 address = first.toIPv4Address(); address <= last.toIPv4Address(); ++address)
            result.Addresses.append(QHostAddress(address));
    }
    result.Behaviour = THostBehaviour();
    return result.Behaviour.Apply(words);
}
