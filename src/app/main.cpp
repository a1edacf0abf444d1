#include "CheckPrevious.h"
#include "PlatformCom.h"
#include "uCredentialDialogs.h"
#include "uMain.h"
#include "uMessageBoxPrompts.h"
#include "uProgramOptions.h"

#include <QApplication>
#include <QPointer>

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
    TCredentialDialogs dialogs(prompts);
    auto form = std::make_unique<TDormivaForm>(options, prompts, dialogs, dialogs);
    prompts.SetParent(form.get());
    dialogs.SetParent(form.get());
    window = form.get();
    form->show();
    const int result = app.exec();
    ReleaseInstance();
    form.reset();
    return result;
}
