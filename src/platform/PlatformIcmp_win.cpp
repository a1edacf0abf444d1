#include "PlatformIcmp.h"

#include <winsock2.h>

#include <icmpapi.h>
#include <iphlpapi.h>
#include <vector>

namespace Platform {

TEchoResult SendIcmpEcho(quint32 address, quint32 timeoutMs) {
    const HANDLE handle = ::IcmpCreateFile();
    if (handle == INVALID_HANDLE_VALUE)
        return {TEchoStatus::Unavailable, 0};
    char data[32] = {};
    std::vector<unsigned char> reply(sizeof(ICMP_ECHO_REPLY) + sizeof data + 8, 0);
    TEchoResult result;
    if (::IcmpSendEcho(handle, htonl(address), data, sizeof data, nullptr, reply.data(),
                       static_cast<DWORD>(reply.size()), timeoutMs) > 0) {
        const auto* echo = reinterpret_cast<const ICMP_ECHO_REPLY*>(reply.data());
        if (echo->Status == IP_SUCCESS)
            result = {TEchoStatus::Reply, echo->RoundTripTime};
    }
    ::IcmpCloseHandle(handle);
    return result;
}

} // namespace Platform
