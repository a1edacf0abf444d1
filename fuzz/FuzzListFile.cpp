// List files are user files: any bytes must load as some list or raise EListFileError, never
// crash or hang, and whatever loaded must save again.
#include "uComputerList.h"
#include "uComputerListFile.h"
#include "uEntryDialogs.h"
#include "uFileDialogs.h"
#include "uProgramOptions.h"
#include "uUserPrompts.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

struct TNoPrompts : IUserPrompts {
    TPromptResult Ask(const QString&, const QString&, TPromptButtons, TPromptIcon) override {
        return TPromptResult::OK;
    }
};

struct TNoDialogs : IEntryDialogs, IFileDialogs {
    bool ExecuteGroupEditDialog(QString&, TUserConnectAs&, QString&, QString&, bool, bool) override { return false; }
    bool ExecuteComputerEditDialog(QString&, QString&, TUserConnectAs&, QString&, QString&, bool) override {
        return false;
    }
    QString PromptSaveFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString PromptOpenFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
};

} // namespace

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
    TNoPrompts prompts;
    TNoDialogs dialogs;
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
