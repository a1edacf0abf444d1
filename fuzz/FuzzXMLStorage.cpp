// Feeds arbitrary bytes to the settings storage as an options file, and to the entity decoding.
#include "HTMLUtil.h"
#include "TSilentDialogs.h"
#include "uCommandListXMLStorage.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static TFixedAnswerPrompts prompts(TPromptResult::OK);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    try {
        HTMLDecode(text);
    } catch (const EConvertError&) {
    }
    TXMLStorage::TextToInteger(text, 0);

    const QString path = dir.filePath(QStringLiteral("options.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(bytes);
    file.close();
    TCommandListXMLStorage storage(path, prompts);
    if (storage.Open()) {
        storage.ReadString(QStringLiteral("Defaults"), QStringLiteral("DefaultLang"), QString());
        storage.ReadInteger(QStringLiteral("Defaults"), QStringLiteral("iMaxThreads"), 10);
        storage.LoadCommandList(QStringLiteral("Nettools"));
        storage.WriteString(QStringLiteral("Defaults"), QStringLiteral("DefaultLang"), text);
        storage.SaveCommandList(QStringLiteral("Nettools"), {{text, text, text, text, text, 1}});
        storage.Save();
    }
    return 0;
}
