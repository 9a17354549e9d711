#include <unistd.h>

#include "platform/process/console.h"

namespace zplat {

bool IsTerminal(std::FILE* stream) {
    return stream != nullptr && ::isatty(::fileno(stream)) != 0;
}

void AttachParentConsole() {}

}  // namespace zplat
