#include "platform/process/wine_detection.h"

namespace zplat {

bool RunningUnderWine() {
    return false;
}

}  // namespace zplat
