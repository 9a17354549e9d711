// Finding the version block in a file on POSIX: the file is mapped, not read, so only the pages
// the scan passes over come from the disk (the block sits in the read-only data, well before the
// debugging information at the end of a program).

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/files/module_version.h"

namespace zplat {
namespace {

// Calls use(offset, size, bytes) with the first block of the file, if it has one.
template <typename Use>
bool WithVersionBlock(const char* path, Use use) {
    if (path == nullptr) {
        return false;
    }
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        ::close(fd);
        return false;
    }
    size_t length = static_cast<size_t>(info.st_size);
    void* mapped = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED) {
        return false;
    }
    std::span<const unsigned char> bytes(static_cast<const unsigned char*>(mapped), length);
    size_t size = 0;
    ptrdiff_t offset = FindVersionBlock(bytes, &size);
    bool result = offset >= 0 && use(bytes.subspan(static_cast<size_t>(offset), size));
    ::munmap(mapped, length);
    return result;
}

}  // namespace

uint32_t GetFileVersionInfoSizeA(const char* path, uint32_t* handle) {
    if (handle != nullptr) {
        *handle = 0;
    }
    uint32_t size = 0;
    WithVersionBlock(path, [&](std::span<const unsigned char> block) {
        size = static_cast<uint32_t>(block.size());
        return true;
    });
    return size;
}

bool GetFileVersionInfoA(const char* path, uint32_t /*handle*/, uint32_t size, void* data) {
    if (data == nullptr) {
        return false;
    }
    return WithVersionBlock(path, [&](std::span<const unsigned char> block) {
        if (block.size() > size) {
            return false;
        }
        std::memcpy(data, block.data(), block.size());
        return true;
    });
}

}  // namespace zplat
