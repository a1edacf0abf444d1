#include "CheckPrevious.h"
#include "LangChanger.h"
#include "PlatformCom.h"
#include "PlatformInstanceLock.h"
#include "uConsolePrompts.h"
#include "uCredentialDialogs.h"
#include "uDemoHosts.h"
#include "uDemoRun.h"
#include "uMain.h"
#include "uMessageBoxPrompts.h"
#include "uProgramOptions.h"
#include "uSystemFileDialogs.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace {

// The demo's own lock, far from the slots of normal copies: a demo runs beside the user's own copy.
constexpr int DemoInstanceSlot = 1000;

// The demo's switches: --demo; --demo-run runs the job once with nobody watching and ends;
// --demo-port=N moves the hosts off the usual port (for checks that must not meet a running demo).
struct TDemoSwitches {
    bool Demo = false;
    bool Unattended = false;
    quint16 Port = TDemoHosts::DefaultPort;

    static quint16 PortOrDefault(const QString& text) {
        bool ok = false;
        const quint16 port = text.toUShort(&ok);
        return ok && port != 0 ? port : TDemoHosts::DefaultPort;
    }

    explicit TDemoSwitches(const QStringList& arguments) {
        const QString portSwitch = QStringLiteral("--demo-port=");
        for (const QString& argument : arguments) {
            if (argument == QLatin1String("--demo"))
                Demo = true;
            else if (argument == QLatin1String("--demo-run"))
                Unattended = true;
            else if (argument.startsWith(portSwitch))
                Port = PortOrDefault(argument.mid(portSwitch.size()));
        }
        Unattended = Unattended && Demo;
    }
};

void Report(IUserPrompts& prompts, const QString& text, bool toErrorOutput) {
    if (toErrorOutput)
        std::fprintf(stderr, "dormiva: %s\n", qPrintable(text));
    prompts.Ask(text, LangStr(QStringLiteral("sError")), TPromptButtons::OK, TPromptIcon::Error);
}

// Reads the demo's options and starts its hosts. Returns the exit code when the demo cannot start,
// none when the program goes on.
std::optional<int> StartDemo(TProgramOptions& options, const TProgramEnvironment& environment, IUserPrompts& prompts,
                             const TDemoSwitches& switches, TDemoHosts& hosts) {
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
        Report(prompts, LangStr(QStringLiteral("sDemoAlreadyRunning")), !switches.Unattended);
        return 0;
    }
    const QString error = hosts.Start(TDemoHosts::FindProgram(options.ProgramFolder), switches.Port);
    if (!error.isEmpty()) {
        Report(prompts, error, !switches.Unattended);
        return 1;
    }
    options.RemotePort = switches.Port;
    options.DefaultTCPPort = switches.Port;
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[]) {
    Platform::InitializeComForThread();
    QApplication app(argc, argv);
    const TDemoSwitches switches(QCoreApplication::arguments());
    QPointer<TDormivaForm> window;
    if (!switches.Demo) {
        try {
            if (CheckPreviousInstance(
                    [&window] {
                        if (window)
                            window->BringToFront();
                    },
                    1))
                return 0;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "dormiva: %s\n", error.what());
            return 1;
        }
    }
    TProgramOptions options;
    TMessageBoxPrompts messageBoxes;
    TConsolePrompts console;
    IUserPrompts& prompts = switches.Unattended ? static_cast<IUserPrompts&>(console) : messageBoxes;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const TProgramEnvironment environment{QCoreApplication::arguments(), QCoreApplication::applicationDirPath(),
                                          screen ? screen->size() : QSize(), switches.Demo};
    TDemoHosts demoHosts;
    if (switches.Demo) {
        if (const std::optional<int> exitCode = StartDemo(options, environment, prompts, switches, demoHosts))
            return *exitCode;
    } else {
        LoadProgramOptions(options, environment, prompts);
    }
    TCredentialDialogs dialogs(prompts);
    TSystemFileDialogs fileDialogs;
    auto form = std::make_unique<TDormivaForm>(options, prompts, dialogs, dialogs, fileDialogs);
    messageBoxes.SetParent(form.get());
    dialogs.SetParent(form.get());
    fileDialogs.SetParent(form.get());
    window = form.get();
    form->show();
    std::unique_ptr<TDemoRun> demoRun;
    if (switches.Unattended) {
        demoRun = std::make_unique<TDemoRun>(*form);
        demoRun->Start();
    }
    const int result = app.exec();
    ReleaseInstance();
    demoRun.reset();
    form.reset();
    SaveProgramOptions(options, prompts);
    return result;
}
