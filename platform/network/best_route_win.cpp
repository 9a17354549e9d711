// The system's route to one address: GetBestRoute answers with the route's interface and next hop
// (IPv4, as all that is needed; GetBestRoute2 is not there under Wine), and the interface's
// addresses in the address table give the source address a datagram would leave with.

#include <vector>

#include "platform/network/best_route.h"
#include "platform/win_error.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

namespace {

// The system's IPv4 address table; false when it cannot be read.
bool ReadAddressTable(std::vector<InterfaceAddress>* addresses) {
    std::vector<unsigned char> buffer(4096);
    for (int tries = 0; tries < 4; ++tries) {
        ULONG size = static_cast<ULONG>(buffer.size());
        const DWORD code =
            ::GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data()), &size, FALSE);
        if (code == ERROR_INSUFFICIENT_BUFFER) {
            buffer.assign(size, 0);  // the table may grow in between, hence the loop
            continue;
        }
        if (code != NO_ERROR) {
            return false;
        }
        const auto* table = reinterpret_cast<const MIB_IPADDRTABLE*>(buffer.data());
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_IPADDRROW& row = table->table[i];
            addresses->push_back({row.dwIndex, row.dwAddr, row.dwMask});
        }
        return true;
    }
    return false;
}

}  // namespace

uint32_t ReadSystemRoute(uint32_t destination, BestRoute* route) {
    if (route == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    MIB_IPFORWARDROW row{};
    const DWORD code = ::GetBestRoute(destination, 0, &row);
    if (code == ERROR_NETWORK_UNREACHABLE || code == ERROR_HOST_UNREACHABLE ||
        code == ERROR_NOT_FOUND) {
        return ERROR_NETWORK_UNREACHABLE;
    }
    if (code != NO_ERROR) {
        return ERROR_GEN_FAILURE;
    }
    std::vector<InterfaceAddress> addresses;
    if (!ReadAddressTable(&addresses)) {
        return ERROR_GEN_FAILURE;
    }
    // A route on the link names no next hop, or (older systems) the interface's own address.
    uint32_t nextHop = row.dwForwardNextHop;
    if (row.dwForwardType == MIB_IPROUTE_TYPE_DIRECT) {
        nextHop = 0;
    }
    for (const InterfaceAddress& a : addresses) {
        if (a.address == nextHop) {
            nextHop = 0;
        }
    }
    const uint32_t source =
        ChooseSourceAddress(addresses, row.dwForwardIfIndex, nextHop != 0 ? nextHop : destination);
    if (source == 0) {
        return ERROR_NETWORK_UNREACHABLE;  // an interface without an IPv4 address
    }
    route->interfaceIndex = row.dwForwardIfIndex;
    route->sourceAddress = source;
    route->nextHop = nextHop;
    return NO_ERROR;
}

}  // namespace zplat
