// Hostile server certificates, as libcurl hands them over after a TLS handshake: DER, and the same
// behind the PEM armour. Every input must give a binding or none, never read outside the bytes.
#include "ChannelBinding.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView der(reinterpret_cast<const char*>(data), qsizetype(size));
    const TChannelBinding binding = TChannelBinding::FromCertificate(der);
    binding.Md5();
    const QByteArray pem =
        "-----BEGIN CERTIFICATE-----\n" + der.toByteArray().toBase64() + "\n-----END CERTIFICATE-----\n";
    if (!(TChannelBinding::FromPem(pem) == binding))
        __builtin_trap();
    return 0;
}
