#include "UThrdUpdateComputerState.h"

#include "uProgramOptions.h"

#include <QMetaObject>

TThrdUpdateComputerState::TThrdUpdateComputerState(TCheckSettingsSource checkSettings)
    : m_checkSettings(std::move(checkSettings)) {
    // The object lives on the main thread: the reports and the end of the pass run there.
    connect(this, &QThread::finished, this, &TThrdUpdateComputerState::PassEnded);
}

TComputerStatePassFactory TThrdUpdateComputerState::Factory(const TProgramOptions& options) {
    return [&options]() -> IComputerStatePass* {
        return new TThrdUpdateComputerState([&options] { return TCheckSettings::FromOptions(options); });
    };
}

void TThrdUpdateComputerState::Start(const QStringList& names, TResultHandler onResult, TDoneHandler onDone) {
    m_addressList = names;
    m_onComputerState = std::move(onResult);
    m_onDone = std::move(onDone);
    start();
    // QThread::start() only warns when the system cannot make the thread: the pass then ends at once.
    if (!isRunning() && !isFinished())
        QMetaObject::invokeMethod(this, &TThrdUpdateComputerState::PassEnded, Qt::QueuedConnection);
}

void TThrdUpdateComputerState::Detach() {
    m_onComputerState = nullptr;
    m_onDone = nullptr;
    m_checkSettings = nullptr; // the options may go with the list
    requestInterruption();
}

void TThrdUpdateComputerState::run() {
    try {
        if (isInterruptionRequested())
            return;
        TCheckSettings check = ReportAndReadSettings(nullptr, false);
        for (const QString& address : std::as_const(m_addressList)) {
            const bool online = IsComputerReachable(address, check);
            // A detached pass reports nothing more and makes no one wait.
            if (isInterruptionRequested())
                return;
            check = ReportAndReadSettings(&address, online);
            if (isInterruptionRequested())
                return;
        }
    } catch (...) {
        // Whatever went wrong ends the pass; the end of the pass is still reported.
    }
}

TCheckSettings TThrdUpdateComputerState::ReportAndReadSettings(const QString* address, bool online) {
    TCheckSettings next;
    QMetaObject::invokeMethod(
        this,
        [this, address, online, &next] {
            if (address && m_onComputerState)
                m_onComputerState(*address, online);
            if (m_checkSettings)
                next = m_checkSettings();
        },
        Qt::BlockingQueuedConnection);
    return next;
}

void TThrdUpdateComputerState::PassEnded() {
    if (const TDoneHandler onDone = std::exchange(m_onDone, nullptr))
        onDone();
    deleteLater();
}
