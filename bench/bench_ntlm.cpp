#include "NtlmClient.h"
#include "NtlmEncryptedBody.h"
#include "NtlmServer.h"

#include <benchmark/benchmark.h>

// The CPU side of an NTLM logon and of sealing one envelope, without the network.
namespace {

std::optional<QString> Password(const QString&, const QString&) {
    return QStringLiteral("Secret!1");
}

void BM_NtlmHandshake(benchmark::State& state) {
    for (auto _ : state) {
        TNtlmClient client(QStringLiteral("WORKGROUP\\Administrator"), QStringLiteral("Secret!1"));
        TNtlmServer server(QStringLiteral("HOST"));
        const QByteArray challenge = server.ChallengeMessage(client.NegotiateMessage());
        auto accepted = server.Accept(client.AuthenticateMessage(challenge), Password);
        benchmark::DoNotOptimize(accepted);
    }
}
BENCHMARK(BM_NtlmHandshake)->Unit(benchmark::kMicrosecond);

// One request and its answer sealed and opened, envelopes of the given size.
void BM_SealedRoundTrip(benchmark::State& state) {
    TNtlmClient client(QStringLiteral("Administrator"), QStringLiteral("Secret!1"));
    TNtlmServer server(QStringLiteral("HOST"));
    const QByteArray challenge = server.ChallengeMessage(client.NegotiateMessage());
    auto accepted = server.Accept(client.AuthenticateMessage(challenge), Password);
    const std::unique_ptr<TNtlmSession> session = client.TakeSession();
    const QByteArray envelope(qsizetype(state.range(0)), 'x');
    for (auto _ : state) {
        const QByteArray request = NtlmEncryptedBody::Encode(*session, envelope);
        const QByteArray opened = NtlmEncryptedBody::Decode(*accepted->Session, request);
        const QByteArray answer =
            NtlmEncryptedBody::Decode(*session, NtlmEncryptedBody::Encode(*accepted->Session, opened));
        benchmark::DoNotOptimize(answer);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_SealedRoundTrip)->Arg(4096)->Arg(64 * 1024)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
