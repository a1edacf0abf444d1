#pragma once

#include "RemoteSettings.h"

#include <QString>
#include <QThread>

// One attempt of the single-computer shutdown dialog on a thread of its own. It works on its own
// copies and reports once through ShutdownDone (delivered on the receiver's thread) as its last step,
// so its owner can wait for it and free it right there, without depending on an event loop.
class TThrdShutdownComputer : public QThread {
    Q_OBJECT
public:
    // An empty computer is sent as "." (this computer).
    TThrdShutdownComputer(const QString& computer, const QString& userName, const QString& password, int actionIndex,
                          bool forced, const TRemoteSettings& settings);

signals:
    // Result 0 on success, -1 otherwise; errorMessage is the failure's text or empty.
    void ShutdownDone(int result, const QString& errorMessage, int actionIndex);

protected:
    void run() override;

private:
    const QString Computer;
    const QString UserName;
    const QString Password;
    const int ActionIndex;
    const bool Forced;
    const TRemoteSettings m_settings;
};
