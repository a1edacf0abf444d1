#include "PlatformFileVersion.h"

#include <windows.h>

#include <vector>

namespace Platform {

TFixedFileInfo ReadFileVersion(const QString& fileName) {
    TFixedFileInfo info;
    const std::wstring path = fileName.toStdWString();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
        return info;
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return info;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO))
        return info;
    info.Major = HIWORD(fixed->dwFileVersionMS);
    info.Minor = LOWORD(fixed->dwFileVersionMS);
    info.Release = HIWORD(fixed->dwFileVersionLS);
    info.Build = LOWORD(fixed->dwFileVersionLS);
    info.FileFlags = fixed->dwFileFlags & fixed->dwFileFlagsMask;
    return info;
}

} // namespace Platform
