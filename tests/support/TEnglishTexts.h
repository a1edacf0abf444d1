#pragma once

#include <QTemporaryDir>

// Makes the shipped English language file the current one while the object lives, so that a test
// sees the messages an English-speaking operator sees. The file is copied first, since choosing a
// language file may rewrite it.
class TEnglishTexts {
public:
    TEnglishTexts();
    ~TEnglishTexts();
    TEnglishTexts(const TEnglishTexts&) = delete;
    TEnglishTexts& operator=(const TEnglishTexts&) = delete;

    bool IsLoaded() const { return m_Loaded; }

private:
    QTemporaryDir m_Folder;
    bool m_Loaded = false;
};
