#include "NetUtil.h"

#include <cstddef>
#include <cstdint>

// NetBIOS node status replies come from whoever answers on UDP port 137: truncated, oversized and
// lying about their name count.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray reply = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString name = ParseNodeStatusReply(reply);
    // A name comes from one 15-byte field and never carries "~".
    if (name.size() > 15 || name.contains(QLatin1Char('~')))
        __builtin_trap();
    return 0;
}
