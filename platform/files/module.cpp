#include "platform/files/module.h"

#include <cstring>

namespace zplat {

uint32_t CopyModuleFileName(std::string_view path, char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0 || path.empty()) {
        return 0;
    }
    if (path.size() >= size) {
        std::memcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = '\0';
        return size;
    }
    std::memcpy(buffer, path.data(), path.size());
    buffer[path.size()] = '\0';
    return static_cast<uint32_t>(path.size());
}

bool IsPathInFolder(std::string_view path, std::string_view folder) {
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    while (!folder.empty() && separator(folder.back())) {
        folder.remove_suffix(1);
    }
    if (folder.empty() || path.size() <= folder.size() + 1 || !separator(path[folder.size()])) {
        return false;
    }
    for (size_t i = 0; i < folder.size(); ++i) {
        const char a = path[i];
        const char b = folder[i];
        if (separator(a) ? !separator(b) : lower(a) != lower(b)) {
            return false;
        }
    }
    return true;
}

}  // namespace zplat
