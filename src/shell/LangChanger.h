#pragma once

#include <QString>

// The text of a message key in the current language; the key itself when there is none.
QString GetTranslation(const QString& key);
// Short form of GetTranslation used at every message site.
QString LangStr(const QString& key);
