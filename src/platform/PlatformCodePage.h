#pragma once

#include <QByteArray>
#include <QString>

namespace Platform {

// Text in the OEM code page of Windows networks (850), as NetBIOS names travel on the wire.
// Code page 850 gives every byte a character.
QString OemToUnicode(const QByteArray& oemText);

} // namespace Platform
