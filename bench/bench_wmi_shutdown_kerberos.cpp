#include "ERemoteError.h"
#include "TSambaDomain.h"
#include "TTestHost.h"
#include "uWmiShutdown.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

// One remote call with Kerberos beside NTLM and Basic, all over HTTP to the same simulated host on the
// loopback of a namespace whose Samba domain controller is the KDC. Kerberos and NTLM seal every
// request and answer; Basic does not. The Kerberos call includes getting the service ticket from the
// ticket cache (the KDC is asked once, the ticket then comes from the cache).
namespace {

struct TMethod {
    const char* Label;
    TRemoteAuthentication Authentication;
    QString Computer;
};

void OneCall(benchmark::State& state, const TTestHost& host, const TMethod& method) {
    TRemoteSettings settings = host.Settings(false, 30);
    settings.Authentication = method.Authentication;
    settings.AllowUnencrypted = true; // Basic over plain HTTP, for comparison only
    const bool kerberos = method.Authentication == TRemoteAuthentication::Kerberos;
    const QString user = kerberos ? QString() : TTestHost::UserName;
    const QString password = kerberos ? QString() : TTestHost::Password;
    for (auto _ : state) {
        try {
            if (ShutdownComputer(method.Computer, user, password, 0, true, settings) != 0)
                state.SkipWithError("the call failed");
        } catch (const ERemoteError& error) {
            state.SkipWithError(error.what());
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir folder;
    TSambaDomain domain;
    QString why;
    const QString keytab = folder.filePath(QStringLiteral("http.keytab"));
    const QString cache = folder.filePath(QStringLiteral("cache"));
    if (!domain.Start(&why) ||
        !domain.AddHttpService(QStringLiteral("svc-bench"), u"bench.localhost"_qs, keytab, &why) ||
        !domain.GetTicket(cache, &why)) {
        std::fprintf(stderr, "SKIP: no Kerberos domain: %s\n", qPrintable(why));
        return 77;
    }
    qputenv("KRB5_CONFIG", domain.Krb5Config().toUtf8());
    qputenv("KRB5_KTNAME", keytab.toUtf8());
    qputenv("KRB5CCNAME", ("FILE:" + cache).toUtf8());
    if (!domain.Client().EnterOnThisThread()) {
        std::fprintf(stderr, "SKIP: the namespace cannot be entered\n");
        return 77;
    }
    TTestHost host;
    const QString error = host.Start({QStringLiteral("127.0.0.1")});
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const TMethod methods[] = {
        {"basic", TRemoteAuthentication::Basic, u"127.0.0.1"_qs},
        {"ntlm", TRemoteAuthentication::Ntlm, u"127.0.0.1"_qs},
        {"kerberos", TRemoteAuthentication::Kerberos, u"bench.localhost"_qs},
    };
    for (const TMethod& method : methods)
        benchmark::RegisterBenchmark((std::string("BM_OneCall/") + method.Label).c_str(), [&host, method](
                                                                                              benchmark::State& state) {
            OneCall(state, host, method);
        })->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
