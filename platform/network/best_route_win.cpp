// The system's route to one address: GetBestRoute2 answers with the interface, the source
// address a datagram would leave with, and the next hop (0 when the destination is on the link).

#include <cstring>

#include "platform/network/best_route.h"
#include "platform/win_error.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

uint32_t ReadSystemRoute(uint32_t destination, BestRoute* route) {
    if (route == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    SOCKADDR_INET to;
    std::memset(&to, 0, sizeof to);
    to.Ipv4.sin_family = AF_INET;
    to.Ipv4.sin_addr.s_addr = destination;
    MIB_IPFORWARD_ROW2 row;
    SOCKADDR_INET source;
    std::memset(&row, 0, sizeof row);
    std::memset(&source, 0, sizeof source);
    const DWORD code = ::GetBestRoute2(nullptr, 0, nullptr, &to, 0, &row, &source);
    if (code == ERROR_NETWORK_UNREACHABLE || code == ERROR_HOST_UNREACHABLE ||
        code == ERROR_NOT_FOUND) {
        return ERROR_NETWORK_UNREACHABLE;
    }
    if (code != NO_ERROR || source.si_family != AF_INET) {
        return code == NO_ERROR ? ERROR_NETWORK_UNREACHABLE : ERROR_GEN_FAILURE;
    }
    route->interfaceIndex = row.InterfaceIndex;
    route->sourceAddress = source.Ipv4.sin_addr.s_addr;
    route->nextHop = row.NextHop.si_family == AF_INET ? row.NextHop.Ipv4.sin_addr.s_addr : 0;
    return NO_ERROR;
}

}  // namespace zplat
