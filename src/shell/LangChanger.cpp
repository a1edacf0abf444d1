#include "LangChanger.h"

QString GetTranslation(const QString& key) { return key; }

QString LangStr(const QString& key) { return GetTranslation(key); }
