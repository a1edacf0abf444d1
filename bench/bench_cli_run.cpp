// The command-line program's run of 1,000 computers on 100 workers against simulated hosts that take
// 50 ms per shutdown call: the whole process, from its start (options and list read) to its exit. The
// bound is the program's own run (bench_run): 0.5 s of calls plus the checks, plus the start-up here.
#include "TTestHost.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int Computers = 1000;
const QString FirstAddress = QStringLiteral("127.21.0.1");
const QString LastAddress = QStringLiteral("127.21.3.232");

bool WriteSettings(const QString& folder, const TTestHost& host) {
    QDir().mkpath(folder);
    QFile options(folder + QStringLiteral("options.xml"));
    QFile list(folder + QStringLiteral("default.dvl"));
    if (!options.open(QIODevice::WriteOnly) || !list.open(QIODevice::WriteOnly))
        return false;
    options.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Options><Defaults><iMaxThreads>100</iMaxThreads>"
                  "<DefaultCheckState>1</DefaultCheckState><DefaultTCPPort>" +
                  QByteArray::number(host.TcpPort()) + "</DefaultTCPPort><RemotePort>" +
                  QByteArray::number(host.HttpPort()) +
                  "</RemotePort><RemoteAuthentication>basic</RemoteAuthentication>"
                  "<RemoteAllowUnencrypted>1</RemoteAllowUnencrypted><RemoteTimeout>30</RemoteTimeout>"
                  "</Defaults></Options>");
    list.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?><List>");
    const quint32 first = QHostAddress(FirstAddress).toIPv4Address();
    for (int i = 0; i < Computers; ++i)
        list.write("<Computer><Name>" + QHostAddress(first + i).toString().toUtf8() +
                   "</Name><Status>1</Status><UserConnectAs>0</UserConnectAs><Checked>1</Checked></Computer>");
    list.write("</List>");
    return true;
}

void BM_CliRunOfThousandComputers(benchmark::State& state) {
    TTestHost host;
    const QString error = host.Start({FirstAddress + u'-' + LastAddress + QStringLiteral(",delay=50,unencrypted")});
    QTemporaryDir config;
    if (!error.isEmpty() || !WriteSettings(config.path() + QStringLiteral("/Vardolin/Dormiva/"), host)) {
        state.SkipWithError(error.isEmpty() ? "cannot write the settings" : qPrintable(error));
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("DORMIVA_PASSWORD"), TTestHost::Password);
    int successes = 0;
    for (auto _ : state) {
        QProcess cli;
        cli.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        cli.start(QStringLiteral(DORMIVA_CLI),
                  {QStringLiteral("run"), QStringLiteral("shutdown"), QStringLiteral("--force"),
                   QStringLiteral("--json"), QStringLiteral("--user"), TTestHost::UserName});
        cli.waitForFinished(300000);
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        successes = 0;
        for (const QByteArray& line : cli.readAllStandardOutput().split('\n'))
            successes +=
                QJsonDocument::fromJson(line).object().value(QStringLiteral("result")) == QLatin1String("done");
    }
    state.counters["successes"] = successes;
    state.counters["peak_calls"] = host.PeakCalls();
}
BENCHMARK(BM_CliRunOfThousandComputers)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
