#include <io.h>

#include <cstdlib>

#include "platform/files/state_file.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

std::string UserStateDirectory() {
    const char* local = std::getenv("LOCALAPPDATA");
    return local != nullptr ? std::string(local) : std::string();
}

unsigned long CurrentProcessId() {
    return ::GetCurrentProcessId();
}

bool SyncFile(std::FILE* file) {
    return ::_commit(::_fileno(file)) == 0;
}

bool RenameOver(const std::string& from, const std::string& to) {
    return ::MoveFileExA(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace zplat
