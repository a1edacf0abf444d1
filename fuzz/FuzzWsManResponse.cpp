#include "WsManResponse.h"

#include <cstddef>
#include <cstdint>

// Whatever a remote host sends back, reading it must neither crash nor hang.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TWsManResponse response =
        TWsManResponse::Parse(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    volatile qsizetype items = response.Items.size();
    (void)items;
    return 0;
}
