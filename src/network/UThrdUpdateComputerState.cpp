#include "UThrdUpdateComputerState.h"

#include "PlatformNeighbours.h"
#include "uHardwareAddress.h"
#include "uProgramOptions.h"

#include <QMetaObject>
#include <QMutexLocker>

namespace {

// Views repaint at most this often, so results that arrive faster are applied together.
constexpr qint64 FrameMs = 16;

} // namespace

TThrdUpdateComputerState::TThrdUpdateComputerState(TCheckSettingsSource checkSettings, TProbeLimits limits)
    : m_checkSettings(std::move(checkSettings)), m_engine(limits) {
    // The object lives on the main thread: the results and the end of the pass are applied there.
    connect(this, &QThread::finished, this, &TThrdUpdateComputerState::PassEnded);
    m_applyTimer.setSingleShot(true);
    connect(&m_applyTimer, &QTimer::timeout, this, &TThrdUpdateComputerState::ApplyArrived);
}

TComputerStatePassFactory TThrdUpdateComputerState::Factory(const TProgramOptions& options) {
    return [&options]() -> IComputerStatePass* {
        return new TThrdUpdateComputerState([&options] { return TCheckSettings::FromOptions(options); },
                                            {options.MaxProbesInFlight});
    };
}

void TThrdUpdateComputerState::Start(const QStringList& names, TResultHandler onResult,
                                     THardwareAddressHandler onHardwareAddress, TDoneHandler onDone) {
    m_names = names;
    m_onComputerState = std::move(onResult);
    m_onHardwareAddress = std::move(onHardwareAddress);
    m_onDone = std::move(onDone);
    const TCheckSettings check = m_checkSettings();
    for (qsizetype i = 0; i < m_names.size(); ++i)
        m_engine.Add(i, check.Target(m_names[i]));
    if (m_names.isEmpty())
        m_engine.Finish();
    m_sinceApplied.start();
    start();
    // QThread::start() only warns when the system cannot make the thread: the pass then ends at once.
    if (!isRunning() && !isFinished())
        QMetaObject::invokeMethod(this, &TThrdUpdateComputerState::PassEnded, Qt::QueuedConnection);
}

void TThrdUpdateComputerState::Detach() {
    m_onComputerState = nullptr;
    m_onHardwareAddress = nullptr;
    m_onDone = nullptr;
    m_checkSettings = nullptr; // the options may go with the list
    m_engine.Stop();
}

void TThrdUpdateComputerState::run() {
    try {
        m_engine.Run([this](qsizetype index, const TProbeTarget& target, const TProbeResult& result) {
            Arrive(index, target, result);
        });
    } catch (...) {
        // Whatever went wrong ends the pass; the end of the pass is still reported.
    }
}

// Runs on the probing thread.
void TThrdUpdateComputerState::Arrive(qsizetype index, const TProbeTarget& target, const TProbeResult& result) {
    TArrived arrived{index, target, result.Answered, {}};
    if (target.Method == TProbeMethod::NodeStatus) {
        arrived.HardwareAddress = NodeStatusHardwareAddress(result.Reply, result.Address);
        if (arrived.HardwareAddress.isEmpty())
            return;
    } else if (result.Answered && result.Address != 0 && (result.Address >> 24) != 127) { // loopback has none
        arrived.HardwareAddress = FormatHardwareAddress(Platform::NeighbourHardwareAddress(result.Address));
        // Off the local link only the computer itself can tell. Queued before its answer is applied, the
        // query comes before the pass can finish.
        if (arrived.HardwareAddress.isEmpty())
            m_engine.Add(index, {Platform::FormatIPv4(result.Address), TProbeMethod::NodeStatus, NetBIOSNamePort,
                                 target.TimeoutMs});
    }
    bool first = false;
    {
        const QMutexLocker locker(&m_arrivedLock);
        first = m_arrived.empty();
        m_arrived.push_back(std::move(arrived));
    }
    if (first)
        QMetaObject::invokeMethod(this, &TThrdUpdateComputerState::ScheduleApply, Qt::QueuedConnection);
}

void TThrdUpdateComputerState::ScheduleApply() {
    if (!m_applyTimer.isActive())
        m_applyTimer.start(static_cast<int>(qMax<qint64>(0, FrameMs - m_sinceApplied.elapsed())));
}

void TThrdUpdateComputerState::ApplyArrived() {
    std::vector<TArrived> batch;
    {
        const QMutexLocker locker(&m_arrivedLock);
        batch.swap(m_arrived);
    }
    m_sinceApplied.restart();
    for (const TArrived& arrived : batch) {
        // A detached pass reports nothing more.
        if (!m_onComputerState || !m_checkSettings)
            return;
        if (!arrived.HardwareAddress.isEmpty() && m_onHardwareAddress)
            m_onHardwareAddress(m_names[arrived.Index], arrived.HardwareAddress);
        if (arrived.Target.Method == TProbeMethod::NodeStatus)
            continue;
        const TProbeTarget wanted = m_checkSettings().Target(arrived.Target.Host);
        if (!SameProbe(wanted, arrived.Target)) {
            m_engine.Add(arrived.Index, wanted);
            continue;
        }
        m_onComputerState(m_names[arrived.Index], arrived.Online);
        if (++m_reported == m_names.size())
            m_engine.Finish();
    }
}

void TThrdUpdateComputerState::PassEnded() {
    // Hardware addresses can arrive after the last answer, until the thread ends.
    ApplyArrived();
    if (const TDoneHandler onDone = std::exchange(m_onDone, nullptr))
        onDone();
    deleteLater();
}
