#pragma once

#include "uDemoHosts.h"

#include <QStringList>

#include <optional>

class IUserPrompts;
struct TProgramEnvironment;
struct TProgramOptions;

// The start of the demo: its switches, its own lock and settings, and its hosts for as long as the
// object lives. --demo starts it; --demo-run runs the job once with nobody watching and ends;
// --demo-port=N moves the hosts off the usual port (for checks that must not meet a running demo).
class TDemoStart {
public:
    explicit TDemoStart(const QStringList& arguments);

    bool Demo() const { return m_demo; }
    bool Unattended() const { return m_unattended; }
    quint16 Port() const { return m_port; }

    // Reads the demo's options, afresh unless another demo runs, and starts the hosts. Returns the
    // exit code when the demo cannot start (a running demo, a taken port, a missing host program),
    // after reporting why; none when the program goes on.
    std::optional<int> Start(TProgramOptions& options, const TProgramEnvironment& environment, IUserPrompts& prompts);

private:
    void Report(IUserPrompts& prompts, const QString& text) const;

    bool m_demo = false;
    bool m_unattended = false;
    quint16 m_port = TDemoHosts::DefaultPort;
    TDemoHosts m_hosts;
};
