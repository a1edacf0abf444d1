// Hostile multipart/encrypted bodies: every input must either open or raise TNtlmError, with NTLM's
// fixed 16-byte signature and with Kerberos' wrap headers of any length and their padding.
#include "EncryptedBody.h"
#include "GssSecurityContext.h"
#include "NtlmEncryptedBody.h"
#include "NtlmError.h"
#include "NtlmMessages.h"
#include "NtlmSession.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView body(reinterpret_cast<const char*>(data), qsizetype(size));
    // The seeds were sealed with this key in the server-to-client direction.
    static const QByteArray key(16, '\x55');
    constexpr quint32 flags = Ntlm::NegotiateFlag::Key128 | Ntlm::NegotiateFlag::KeyExchange |
                              Ntlm::NegotiateFlag::ExtendedSessionSecurity | Ntlm::NegotiateFlag::Sign |
                              Ntlm::NegotiateFlag::Seal;
    TNtlmSession session(key, flags, TNtlmSession::TRole::Client);
    try {
        NtlmEncryptedBody::Decode(session, body);
    } catch (const TNtlmError&) {
    }
    // A Kerberos context needs a KDC; without one GSSAPI refuses every wrap token, which leaves the
    // framing around it to the fuzzer.
    for (const char* protocol :
         {"application/HTTP-Kerberos-session-encrypted", "application/HTTP-SPNEGO-session-encrypted"}) {
        TGssSecurityContext kerberos(GSS_C_NO_CONTEXT, protocol);
        try {
            EncryptedBody::Decode(kerberos, body);
        } catch (const TNtlmError&) {
        }
    }
    return 0;
}
