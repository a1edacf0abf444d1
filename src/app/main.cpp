#include "CheckPrevious.h"
#include "PlatformCom.h"
#include "uCredentialDialogs.h"
#include "uMain.h"
#include "uMessageBoxPrompts.h"
#include "uNetworkComputerBrowser.h"
#include "uProgramOptions.h"
#include "uSystemFileDialogs.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>

#include <cstdio>
#include <exception>
#include <memory>

int main(int argc, char* argv[]) {
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
    const QScreen* screen = QGuiApplication::primaryScreen();
    LoadProgramOptions(
        options,
        {QCoreApplication::arguments(), QCoreApplication::applicationDirPath(), screen ? screen->size() : QSize()},
        prompts);
    TCredentialDialogs dialogs(prompts);
    TNetworkComputerBrowser browser;
    dialogs.SetComputerBrowser(&browser);
    TSystemFileDialogs fileDialogs;
    auto form = std::make_unique<TDormivaForm>(options, prompts, dialogs, dialogs, fileDialogs);
    prompts.SetParent(form.get());
    dialogs.SetParent(form.get());
    fileDialogs.SetParent(form.get());
    window = form.get();
    form->show();
    QMetaObject::invokeMethod(form.get(), &TDormivaForm::OfferWizardIfEmpty, Qt::QueuedConnection);
    const int result = app.exec();
    ReleaseInstance();
    form.reset();
    SaveProgramOptions(options, prompts);
    return result;
}
