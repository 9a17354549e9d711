#include <io.h>

#include "platform/process/console.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

bool IsTerminal(std::FILE* stream) {
    return stream != nullptr && ::_isatty(::_fileno(stream)) != 0;
}

}  // namespace zplat
