// Wine's ntdll exports wine_get_version; Windows' does not.

#include "platform/process/wine_detection.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace zplat
