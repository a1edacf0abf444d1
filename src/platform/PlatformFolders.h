#pragma once

#include <QString>

namespace Platform {

// The current user's roaming application-data folder; empty when the system cannot give it.
QString UserAppDataFolder();
// The application-data folder shared by all users; empty when the system cannot give it.
QString CommonAppDataFolder();

} // namespace Platform
