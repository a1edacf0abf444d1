#include "PlatformFolders.h"

#include <QDir>

#include <shlobj.h>
#include <windows.h>

namespace Platform {

namespace {

QString ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return QDir::cleanPath(QString::fromWCharArray(path));
}

} // namespace

QString UserAppDataFolder() {
    return ShellFolder(CSIDL_APPDATA);
}

QString CommonAppDataFolder() {
    return ShellFolder(CSIDL_COMMON_APPDATA);
}

} // namespace Platform
