// Hostile multipart/encrypted bodies: every input must either open or raise TNtlmError.
#include "NtlmEncryptedBody.h"
#include "NtlmError.h"
#include "NtlmMessages.h"
#include "NtlmSession.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The seeds were sealed with this key in the server-to-client direction.
    static const QByteArray key(16, '\x55');
    constexpr quint32 flags = Ntlm::NegotiateFlag::Key128 | Ntlm::NegotiateFlag::KeyExchange |
                              Ntlm::NegotiateFlag::ExtendedSessionSecurity | Ntlm::NegotiateFlag::Sign |
                              Ntlm::NegotiateFlag::Seal;
    TNtlmSession session(key, flags, TNtlmSession::TRole::Client);
    try {
        NtlmEncryptedBody::Decode(session, QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const TNtlmError&) {
    }
    return 0;
}
