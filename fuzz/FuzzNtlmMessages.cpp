// Hostile NTLM messages: CHALLENGE to the client, NEGOTIATE and AUTHENTICATE to the accepting side.
// The first byte picks the receiver; every input must either work or raise TNtlmError.
#include "NtlmClient.h"
#include "NtlmError.h"
#include "NtlmServer.h"

#include <cstddef>
#include <cstdint>

namespace {

Ntlm::TSources FixedSources() {
    Ntlm::TSources sources;
    sources.Random = [](int size) { return QByteArray(size, '\x5a'); };
    sources.FileTime = [] { return quint64(0x01d0000000000000); };
    return sources;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArrayView message(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    try {
        switch (data[0] % 3) {
        case 0: {
            TNtlmClient client(QStringLiteral("Domain\\User"), QStringLiteral("Password"), FixedSources());
            client.NegotiateMessage();
            client.AuthenticateMessage(message);
            break;
        }
        case 1: {
            TNtlmServer server(QStringLiteral("host"), FixedSources());
            server.ChallengeMessage(message);
            break;
        }
        default: {
            TNtlmServer server(QStringLiteral("host"), FixedSources());
            TNtlmClient client(QStringLiteral("User"), QStringLiteral("Password"), FixedSources());
            server.ChallengeMessage(client.NegotiateMessage());
            server.Accept(message, [](const QString&, const QString&) { return QStringLiteral("Password"); });
            break;
        }
        }
    } catch (const TNtlmError&) {
    }
    return 0;
}
