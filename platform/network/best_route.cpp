#include "platform/network/best_route.h"

namespace zplat {

uint32_t ChooseSourceAddress(const std::vector<InterfaceAddress>& addresses,
                             uint32_t interfaceIndex, uint32_t towards) {
    uint32_t first = 0;
    for (const InterfaceAddress& a : addresses) {
        if (a.interfaceIndex != interfaceIndex || a.address == 0) {
            continue;
        }
        if (a.mask != 0 && (a.address & a.mask) == (towards & a.mask)) {
            return a.address;
        }
        if (first == 0) {
            first = a.address;
        }
    }
    return first;
}

}  // namespace zplat
