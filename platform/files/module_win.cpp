// GetModuleFileNameA on Windows: the system's own, for the running program; the Program Files
// folders from the shell.

#include <initializer_list>

#include "platform/files/module.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

#include <shlobj.h>

namespace zplat {

uint32_t GetModuleFileNameA(HMODULE module, char* buffer, uint32_t size) {
    if (module != nullptr && module != GetModuleHandleA(nullptr)) {
        return 0;
    }
    char path[32768];
    DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) {
        return 0;
    }
    return CopyModuleFileName(std::string_view(path, n), buffer, size);
}

bool IsInProgramFilesFolder(const char* path) {
    if (path == nullptr) {
        return false;
    }
    for (int folder : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
        char directory[MAX_PATH] = {};
        if (SUCCEEDED(
                ::SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, directory)) &&
            IsPathInFolder(path, directory)) {
            return true;
        }
    }
    return false;
}

}  // namespace zplat
