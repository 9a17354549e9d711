// GetModuleFileNameA on Linux: the running program's path from /proc/self/exe.

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/files/module.h"

namespace zplat {
namespace {

// What the kernel appends to the link when the program's file was removed or replaced while it
// runs (an upgrade, say). The name the program was started as is the useful one then.
constexpr std::string_view kDeletedSuffix = " (deleted)";

bool ReadSelfPath(std::string* path) {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return false;
        }
        if (static_cast<size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<size_t>(n));
            break;
        }
        if (buffer.size() >= 65536) {
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
    struct stat info;
    if (buffer.size() > kDeletedSuffix.size() && buffer.ends_with(kDeletedSuffix) &&
        ::stat(buffer.c_str(), &info) != 0) {
        buffer.resize(buffer.size() - kDeletedSuffix.size());
    }
    *path = std::move(buffer);
    return !path->empty();
}

}  // namespace

uint32_t GetModuleFileNameA(HMODULE module, char* buffer, uint32_t size) {
    if (module != nullptr && module != GetModuleHandleA(nullptr)) {
        return 0;
    }
    std::string path;
    if (!ReadSelfPath(&path)) {
        return 0;
    }
    return CopyModuleFileName(path, buffer, size);
}

bool IsInProgramFilesFolder(const char*) {
    return false;  // programs installed for the machine are told by their install directory
}

}  // namespace zplat
