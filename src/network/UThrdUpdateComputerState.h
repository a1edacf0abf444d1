#pragma once

#include "NetUtil.h"
#include "uComputerStatePass.h"

#include <QStringList>
#include <QThread>

#include <functional>

struct TProgramOptions;

// One reachability pass: checks the names one after the other with the configured method on its own
// thread and reports every answer to the main thread, waiting until the report has run. It frees
// itself when it has ended; a list that goes away during the pass detaches it instead of waiting.
class TThrdUpdateComputerState : public QThread, public IComputerStatePass {
    Q_OBJECT
public:
    // Gives the current check settings; runs on the main thread before every check, so that a change
    // of the options takes effect from the next check of a running pass.
    using TCheckSettingsSource = std::function<TCheckSettings()>;

    explicit TThrdUpdateComputerState(TCheckSettingsSource checkSettings);
    // Makes passes that check by the options' DefaultCheckState, DefaultTimeout and DefaultTCPPort.
    static TComputerStatePassFactory Factory(const TProgramOptions& options);

    void Start(const QStringList& names, TResultHandler onResult, TDoneHandler onDone) override;
    void Detach() override;

protected:
    void run() override;

private:
    // On the main thread: hands one answer to the result handler, then reads the settings for the next check.
    TCheckSettings ReportAndReadSettings(const QString* address, bool online);
    void PassEnded();

    QStringList m_addressList; // filled before the thread runs, then read only by it
    TCheckSettingsSource m_checkSettings;
    TResultHandler m_onComputerState;
    TDoneHandler m_onDone;
};
