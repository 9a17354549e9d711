// OpenFile on Windows: the UTF-8 path and mode become UTF-16 for _wfopen, which takes every name
// the file system does (fopen reads the ANSI code page).

#include "platform/files/file_open.h"

#include <cerrno>
#include <string>

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

namespace {

bool Widen(const char* text, std::wstring* wide) {
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (n <= 0) {
        return false;
    }
    wide->assign(static_cast<size_t>(n), L'\0');
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide->data(), n) == n;
}

}  // namespace

std::FILE* OpenFile(const char* path, const char* mode) {
    std::wstring widePath;
    std::wstring wideMode;
    if (path == nullptr || mode == nullptr || !Widen(path, &widePath) || !Widen(mode, &wideMode)) {
        errno = EINVAL;
        return nullptr;
    }
    return ::_wfopen(widePath.c_str(), wideMode.c_str());
}

}  // namespace zplat
