#include "PlatformNeighbours.h"

#include "PlatformSockets.h"

#include <QFile>
#include <QList>

namespace Platform {

namespace {

constexpr int CompleteFlag = 0x2; // ATF_COM: the hardware address is known
constexpr qint64 MaxTableSize = 16 * 1024 * 1024;

} // namespace

// The calling thread's table: a thread may live in a network namespace of its own.
QByteArray NeighbourHardwareAddress(quint32 address) {
    QFile table(QStringLiteral("/proc/thread-self/net/arp"));
    // Kernels before 3.17 have no thread-self; there the process's table is the only one.
    if (!table.open(QIODevice::ReadOnly)) {
        table.setFileName(QStringLiteral("/proc/net/arp"));
        if (!table.open(QIODevice::ReadOnly))
            return {};
    }
    const QByteArray wanted = FormatIPv4(address).toLatin1();
    table.readLine(); // the column titles
    for (qint64 read = 0; read < MaxTableSize && !table.atEnd();) {
        const QByteArray line = table.readLine(1024);
        read += line.size();
        // IP address, HW type, Flags, HW address, Mask, Device
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 4 || fields[0] != wanted)
            continue;
        bool ok = false;
        const int flags = fields[2].toInt(&ok, 16);
        const QByteArray bytes = QByteArray::fromHex(QByteArray(fields[3]).replace(':', ""));
        if (ok && (flags & CompleteFlag) && bytes.size() == 6)
            return bytes;
    }
    return {};
}

} // namespace Platform
