#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/files/state_file.h"

namespace zplat {

std::string UserStateDirectory() {
    // XDG Base Directory Specification: $XDG_STATE_HOME when set to an absolute path, else
    // ~/.local/state.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return state;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/state";
    }
    return "";
}

unsigned long CurrentProcessId() {
    return static_cast<unsigned long>(::getpid());
}

bool SyncFile(std::FILE* file) {
    return ::fsync(::fileno(file)) == 0;
}

bool RenameOver(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    // The rename itself reaches the disk with the folder's entry.
    std::string folder = std::filesystem::path(to).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

}  // namespace zplat
