#pragma once

#include <QString>

#include <memory>

class QTranslator;

// Qt's own texts (the standard buttons Yes, No, OK, Cancel, the file dialogs) in the program's
// language: Qt's qtbase catalogue for a language code such as "de", installed into the application
// while this object holds it. Qt's built-in texts are English, so "en" needs no catalogue.
class TQtTranslation {
public:
    TQtTranslation();
    ~TQtTranslation();
    TQtTranslation(const TQtTranslation&) = delete;
    TQtTranslation& operator=(const TQtTranslation&) = delete;

    // Replaces the installed catalogue by the code's; an empty code only removes it. False when Qt
    // has no catalogue for the code: Qt's texts then stay English.
    bool Apply(const QString& languageCode);
    // The code the current language file names under LanguageCodeKey; empty when it names none.
    static QString CurrentLanguageCode();

    static const QString LanguageCodeKey;

private:
    std::unique_ptr<QTranslator> m_translator;
};
