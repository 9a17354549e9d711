// OpenFile on POSIX: paths are bytes, and UTF-8 ones are taken as they are.

#include "platform/files/file_open.h"

namespace zplat {

std::FILE* OpenFile(const char* path, const char* mode) {
    return std::fopen(path, mode);
}

}  // namespace zplat
