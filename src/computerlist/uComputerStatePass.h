#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// One reachability pass as the computer list drives it; the state monitor thread implements it.
// A pass owns itself: once started it frees itself after it has ended (also after Detach).
class IComputerStatePass {
public:
    // Both handlers run on the main thread.
    using TResultHandler = std::function<void(const QString& name, bool reachable)>;
    // The hardware address (stored form) learned for a name that answered.
    using THardwareAddressHandler = std::function<void(const QString& name, const QString& hardwareAddress)>;
    using TDoneHandler = std::function<void()>;

    virtual ~IComputerStatePass() = default;
    // Checks the names on its own thread, many at a time, reports every answer through onResult and what
    // it learned of the hardware addresses of those that answered through onHardwareAddress and, when it
    // has ended for whatever reason, calls onDone once, after the last report.
    virtual void Start(const QStringList& names, TResultHandler onResult, THardwareAddressHandler onHardwareAddress,
                       TDoneHandler onDone) = 0;
    // Called by the list when it goes away during the pass: drop the handlers, stop the checks under
    // way, report nothing more, and never make the caller wait.
    virtual void Detach() = 0;
};

// Makes a new, not yet started pass; the computer list calls it once per pass.
using TComputerStatePassFactory = std::function<IComputerStatePass*()>;
