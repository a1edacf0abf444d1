// Language files come from users: any bytes must read as some translation, never crash or hang.
#include "LangChanger.h"
#include "uFormat.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static int round = 0;
    // A new name each round: the changer reads a file again only when its name or state changes.
    const QString path = dir.filePath(QStringLiteral("f%1.lng").arg(++round % 2));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    TLangChanger changer;
    changer.SetLangFile(path); // normalises the file
    changer.GetTranslation(QStringLiteral("sError"));
    for (const TLangFile::TEntry& entry : changer.TranslationEntries()) {
        changer.SplitList(entry.Value);
        Format(entry.Value, {QStringLiteral("computer"), 42, 3.5});
    }
    TLangFile::ParseSection(QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                            QStringLiteral("Translations"));
    return 0;
}
