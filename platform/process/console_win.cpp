#include <io.h>

#include <initializer_list>

#include "platform/process/console.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

bool IsTerminal(std::FILE* stream) {
    return stream != nullptr && ::_isatty(::_fileno(stream)) != 0;
}

void AttachParentConsole() {
    for (DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        HANDLE handle = ::GetStdHandle(which);
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            return;
        }
    }
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    std::FILE* ignored = std::freopen("CONOUT$", "w", stdout);
    ignored = std::freopen("CONOUT$", "w", stderr);
    (void)ignored;
}

}  // namespace zplat
