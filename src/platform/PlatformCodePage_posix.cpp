#include "PlatformCodePage.h"

#include <iconv.h>

namespace Platform {

QString OemToUnicode(const QByteArray& oemText) {
    iconv_t converter = ::iconv_open("UTF-8", "CP850");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(oemText);
    // Every code page 850 byte becomes at most three UTF-8 bytes.
    QByteArray output(oemText.size() * 3 + 1, '\0');
    QByteArray input = oemText;
    char* in = input.data();
    size_t inLeft = static_cast<size_t>(input.size());
    char* out = output.data();
    size_t outLeft = static_cast<size_t>(output.size());
    // Code page 850 maps every byte, so a failure can only be the system's; keep what was converted.
    ::iconv(converter, &in, &inLeft, &out, &outLeft);
    ::iconv_close(converter);
    output.truncate(out - output.data());
    return QString::fromUtf8(output);
}

} // namespace Platform
