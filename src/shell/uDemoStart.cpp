#include "uDemoStart.h"

#include "LangChanger.h"
#include "PlatformInstanceLock.h"
#include "uProgramOptions.h"
#include "uUserPrompts.h"

#include <cstdio>
#include <exception>

namespace {

// The demo's own lock, far from the slots of normal copies: a demo runs beside the user's own copy.
constexpr int DemoInstanceSlot = 1000;

// Port 0 would start hosts that listen nowhere.
quint16 PortOrDefault(const QString& text) {
    bool ok = false;
    const quint16 port = text.toUShort(&ok);
    return ok && port != 0 ? port : TDemoHosts::DefaultPort;
}

} // namespace

TDemoStart::TDemoStart(const QStringList& arguments) {
    const QString portSwitch = QStringLiteral("--demo-port=");
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--demo"))
            m_demo = true;
        else if (argument == QLatin1String("--demo-run"))
            m_unattended = true;
        else if (argument.startsWith(portSwitch))
            m_port = PortOrDefault(argument.mid(portSwitch.size()));
    }
    m_unattended = m_unattended && m_demo;
}

std::optional<int> TDemoStart::Start(TProgramOptions& options, const TProgramEnvironment& environment,
                                     IUserPrompts& prompts) {
    bool first = false;
    try {
        first = Platform::AcquireInstanceLock(DemoInstanceSlot);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dormiva: %s\n", error.what());
        return 1;
    }
    if (first) {
        ComputeFolders(options, environment);
        ResetDemoSettings(options);
    }
    LoadProgramOptions(options, environment, prompts);
    if (!first) {
        Report(prompts, LangStr(QStringLiteral("sDemoAlreadyRunning")));
        return 0;
    }
    const QString error = m_hosts.Start(TDemoHosts::FindProgram(options.ProgramFolder), m_port);
    if (!error.isEmpty()) {
        Report(prompts, error);
        return 1;
    }
    options.RemotePort = m_port;
    options.DefaultTCPPort = m_port;
    return std::nullopt;
}

// Also on the error output, for a demo started from a terminal; an unattended run's prompts write there already.
void TDemoStart::Report(IUserPrompts& prompts, const QString& text) const {
    if (!m_unattended)
        std::fprintf(stderr, "dormiva: %s\n", qPrintable(text));
    prompts.Ask(text, LangStr(QStringLiteral("sError")), TPromptButtons::OK, TPromptIcon::Error);
}
