// List files are user files: any bytes must load as some list or raise EListFileError, never
// crash or hang, and whatever loaded must save again.
#include "TSilentDialogs.h"
#include "uComputerList.h"
#include "uComputerListFile.h"
#include "uProgramOptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.dvl"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    TProgramOptions options;
    TFixedAnswerPrompts prompts(TPromptResult::OK); // OK lets the text import run too
    TSilentDialogs dialogs;
    TComputerList list(options, prompts, dialogs);
    TComputerListFile listFile(list, options, prompts, dialogs);
    try {
        listFile.LoadFromFile(path);
    } catch (const EListFileError&) {
        return 0;
    }
    listFile.SaveToFile(dir.filePath(QStringLiteral("saved.dvl")));
    listFile.ImportFromFile(path); // the same bytes as a text import
    return 0;
}
