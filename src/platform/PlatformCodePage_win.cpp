#include "PlatformCodePage.h"

#include <windows.h>

namespace Platform {

QString OemToUnicode(const QByteArray& oemText) {
    if (oemText.isEmpty())
        return {};
    const int length = ::MultiByteToWideChar(850, 0, oemText.constData(), static_cast<int>(oemText.size()), nullptr, 0);
    if (length <= 0)
        return QString::fromLatin1(oemText);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(850, 0, oemText.constData(), static_cast<int>(oemText.size()), wide.data(), length);
    return QString::fromStdWString(wide);
}

} // namespace Platform
