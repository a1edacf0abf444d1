#pragma once

#include <QtGlobal>

// Credential mode of a computer or group, one byte as stored in the list and options files.
// Files may carry other byte values; they are kept as they are and mean "no choice".
enum TUserConnectAs : quint8 {
    ucInherited = 0,
    ucCurrentUser = 1,
    ucFollowingUser = 2,
    ucPromptUser = 255,
};
