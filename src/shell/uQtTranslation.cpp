#include "uQtTranslation.h"

#include "LangChanger.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

const QString TQtTranslation::LanguageCodeKey = QStringLiteral("sLanguageCode");

TQtTranslation::TQtTranslation() = default;

TQtTranslation::~TQtTranslation() {
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
}

bool TQtTranslation::Apply(const QString& languageCode) {
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    if (languageCode.isEmpty() || languageCode == u"en")
        return true;
    // The code comes from a language file: a name such as "pt_BR", never a path.
    static const QRegularExpression plainCode(QStringLiteral("^[A-Za-z]{2,3}(_[A-Za-z]{2,4})?$"));
    if (!plainCode.match(languageCode).hasMatch())
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + languageCode, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    m_translator = std::move(translator);
    return true;
}

QString TQtTranslation::CurrentLanguageCode() {
    const QString code = GetTranslation(LanguageCodeKey).trimmed();
    return code == LanguageCodeKey ? QString() : code;
}
