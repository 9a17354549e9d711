#include "platform/files/state_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace zplat {

bool ReplaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write,
                 std::string* error) {
    // Beside the target, named after this process so two writers never share a temporary.
    const std::string temporary = path + ".tmp" + std::to_string(CurrentProcessId());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        *error = temporary + ": " + std::strerror(errno);
        return false;
    }
    bool ok = write(file);
    ok = std::fflush(file) == 0 && ok && std::ferror(file) == 0;
    ok = ok && SyncFile(file);
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        *error = temporary + ": could not be written (" + std::strerror(errno) + ")";
    } else if (!RenameOver(temporary, path)) {
        *error = path + ": could not be replaced (" + std::strerror(errno) + ")";
        ok = false;
    }
    if (!ok) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
    }
    return ok;
}

}  // namespace zplat
