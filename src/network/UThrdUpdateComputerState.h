#pragma once

#include "NetUtil.h"
#include "uComputerStatePass.h"
#include "uProbeEngine.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <functional>
#include <vector>

struct TProgramOptions;

// One reachability pass: hands every name to a probe engine that runs on the pass's own thread and
// applies the answers on the main thread as they arrive, at most one batch per frame. An answer made
// with settings that have changed since is not reported but probed again with the current ones, so a
// change of the options takes effect from the next answer. The hardware address of a computer that answered
// comes from the neighbour table, or else from a node status query that follows the answer. It frees itself when it has
// ended; a list that goes away during the pass detaches it instead of waiting.
class TThrdUpdateComputerState : public QThread, public IComputerStatePass {
    Q_OBJECT
public:
    // Gives the current check settings; runs on the main thread.
    using TCheckSettingsSource = std::function<TCheckSettings()>;

    explicit TThrdUpdateComputerState(TCheckSettingsSource checkSettings, TProbeLimits limits = {});
    // Makes passes that check by the options' DefaultCheckState, DefaultTimeout and DefaultTCPPort with
    // at most MaxProbesInFlight probes in flight.
    static TComputerStatePassFactory Factory(const TProgramOptions& options);

    void Start(const QStringList& names, TResultHandler onResult, THardwareAddressHandler onHardwareAddress,
               TDoneHandler onDone) override;
    void Detach() override;

protected:
    void run() override;

private:
    struct TArrived {
        qsizetype Index = 0;
        TProbeTarget Target;
        bool Online = false;
        QString HardwareAddress; // stored form; empty when none was learned
    };

    void Arrive(qsizetype index, const TProbeTarget& target, const TProbeResult& result);
    void ScheduleApply();
    void ApplyArrived();
    void PassEnded();

    QStringList m_names; // filled before the thread runs, then read only
    TCheckSettingsSource m_checkSettings;
    TResultHandler m_onComputerState;
    THardwareAddressHandler m_onHardwareAddress;
    TDoneHandler m_onDone;
    TProbeEngine m_engine;
    qsizetype m_reported = 0;
    QTimer m_applyTimer;
    QElapsedTimer m_sinceApplied;

    QMutex m_arrivedLock;
    std::vector<TArrived> m_arrived; // filled by the probing thread, emptied by the main thread
};
