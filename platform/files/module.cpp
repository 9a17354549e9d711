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

}  // namespace zplat
