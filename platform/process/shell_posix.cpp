// The shell's "open" on POSIX: the desktop's opener (xdg-open), started detached.

#include "platform/process/executable_probe.h"
#include "platform/process/process.h"
#include "platform/process/shell.h"

namespace zplat {

intptr_t SystemShellExecute(const ShellExecuteRequest& request) {
    if (request.file.empty()) {
        return SE_ERR_FNF;
    }
    std::optional<std::vector<std::string>> argv = ShellOpenCommand(request);
    if (!argv) {
        return SE_ERR_NOASSOC;
    }
    std::string opener = SystemExecutableProbe().SearchPath(argv->front());
    if (opener.empty() || !CreateDetachedProcess(opener, *argv)) {
        return SE_ERR_NOASSOC;
    }
    return SHELL_EXECUTE_STARTED;
}

}  // namespace zplat
