#include "CheckPrevious.h"
#include "KeychainSecretStore.h"
#include "LangChanger.h"
#include "PlatformCom.h"
#include "PlatformMemoryProtection.h"
#include "uCredentialDialogs.h"
#include "uMain.h"
#include "uMessageBoxPrompts.h"
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
    QPointer<TDormivaForm> window;
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
    TProgramOptions options;
    TMessageBoxPrompts prompts;
    TKeychainSecretStore secretStore;
    const QScreen* screen = QGuiApplication::primaryScreen();
    LoadProgramOptions(
        options,
        {QCoreApplication::arguments(), QCoreApplication::applicationDirPath(), screen ? screen->size() : QSize()},
        prompts, &secretStore);
    // A copy in another session on the same settings: this one ends before it can overwrite them.
    if (!ClaimSettingsFolder(options.SettingsFolder, prompts)) {
        ReleaseInstance();
        SetCurrentLangChanger(nullptr);
        return 0;
    }
    TCredentialDialogs dialogs(prompts);
    TSystemFileDialogs fileDialogs;
    auto form = std::make_unique<TDormivaForm>(options, prompts, dialogs, dialogs, fileDialogs, &secretStore);
    prompts.SetParent(form.get());
    dialogs.SetParent(form.get());
    fileDialogs.SetParent(form.get());
    window = form.get();
    form->show();
    const int result = app.exec();
    ReleaseInstance();
    form.reset();
    prompts.SetParent(nullptr); // a failure to save the options is shown without the window that is gone
    SaveProgramOptions(options, prompts, &secretStore);
    return result;
}
