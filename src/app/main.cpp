#include "CheckPrevious.h"
#include "KeychainSecretStore.h"
#include "LangChanger.h"
#include "PlatformCom.h"
#include "PlatformMemoryProtection.h"
#include "uConsolePrompts.h"
#include "uCredentialDialogs.h"
#include "uDemoRun.h"
#include "uDemoStart.h"
#include "uIcons.h"
#include "uMain.h"
#include "uMessageBoxPrompts.h"
#include "uNetworkComputerBrowser.h"
#include "uProgramOptions.h"
#include "uSettingsLock.h"
#include "uSystemFileDialogs.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>

#include <cstdio>
#include <exception>
#include <memory>

int main(int argc, char* argv[]) {
    // Passwords are held in clear text from the options' load to the end.
    Platform::KeepMemoryPrivate();
    Platform::InitializeComForThread();
    QApplication app(argc, argv);
    app.setWindowIcon(Icons::Application());
    TDemoStart demo(QCoreApplication::arguments());
    QPointer<TDormivaForm> window;
    if (!demo.Demo()) {
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
    IUserPrompts& prompts = demo.Unattended() ? static_cast<IUserPrompts&>(console) : messageBoxes;
    TKeychainSecretStore secretStore;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const TProgramEnvironment environment{QCoreApplication::arguments(), QCoreApplication::applicationDirPath(),
                                          screen ? screen->size() : QSize(), demo.Demo()};
    if (demo.Demo()) {
        if (const std::optional<int> exitCode = demo.Start(options, environment, prompts))
            return *exitCode;
    } else {
        LoadProgramOptions(options, environment, prompts, &secretStore);
    }
    // A copy in another session on the same settings: this one ends before it can overwrite them.
    if (!ClaimSettingsFolder(options.SettingsFolder, prompts)) {
        ReleaseInstance();
        SetCurrentLangChanger(nullptr);
        return 0;
    }
    // An unattended run was asked for on the command line: that is its confirmation.
    if (demo.Unattended())
        options.bConfirmExecute = false;
    TCredentialDialogs dialogs(prompts);
    TNetworkComputerBrowser browser;
    dialogs.SetComputerBrowser(&browser);
    TSystemFileDialogs fileDialogs;
    auto form = std::make_unique<TDormivaForm>(options, prompts, dialogs, dialogs, fileDialogs, &secretStore);
    messageBoxes.SetParent(form.get());
    dialogs.SetParent(form.get());
    fileDialogs.SetParent(form.get());
    window = form.get();
    form->show();
    std::unique_ptr<TDemoRun> demoRun;
    if (demo.Unattended()) {
        demoRun = std::make_unique<TDemoRun>(*form);
        demoRun->Start();
    }
    // The first activation: once the window is shown and the event loop runs.
    QMetaObject::invokeMethod(form.get(), &TDormivaForm::FormActivate, Qt::QueuedConnection);
    const int result = app.exec();
    ReleaseInstance();
    demoRun.reset();
    form.reset();
    messageBoxes.SetParent(nullptr); // a failure to save the options is shown without the window that is gone
    SaveProgramOptions(options, prompts, &secretStore);
    return result;
}
