#include "TEnglishTexts.h"

#include "LangChanger.h"

#include <QFile>

TEnglishTexts::TEnglishTexts() {
    const QString english = m_Folder.filePath(QStringLiteral("english.lng"));
    m_Loaded = QFile::copy(QStringLiteral(DORMIVA_SOURCE_DIR "/data/languages/english.lng"), english);
    auto changer = std::make_shared<TLangChanger>();
    changer->SetLangFile(english);
    SetCurrentLangChanger(changer);
    LoadMessageTable();
}

TEnglishTexts::~TEnglishTexts() {
    SetCurrentLangChanger(nullptr);
    LoadMessageTable();
}
