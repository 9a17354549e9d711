// The shell's "open" on Windows: ShellExecuteA, which hands the URL or document to the program
// the user's settings name for it.

#include "platform/process/shell.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

intptr_t SystemShellExecute(const ShellExecuteRequest& request) {
    if (request.file.empty()) {
        return SE_ERR_FNF;
    }
    auto text = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
    HINSTANCE r = ::ShellExecuteA(static_cast<HWND>(request.ownerWindow), text(request.verb),
                                  request.file.c_str(), text(request.parameters),
                                  text(request.directory), request.showCommand);
    return reinterpret_cast<intptr_t>(r);
}

}  // namespace zplat
