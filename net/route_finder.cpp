#include "net/route_finder.h"

#include "net/ip_address.h"
#include "platform/network/best_route.h"

ZRouteFinder::ZRouteFinder() {
    adapters_.Refresh();
}

bool ZRouteFinder::Find(const ZCIDRBlock& block, Route* route, std::string* error) {
    zplat::BestRoute best;
    const uint32_t code = zplat::GetBestRoute(block.GetHost(0), &best);
    if (code != zplat::NO_ERROR) {
        if (error != nullptr) {
            *error = "subnet " + block.GetText() +
                     (code == zplat::ERROR_NETWORK_UNREACHABLE
                          ? ": no route to it"
                          : ": the routing table could not be read (" + std::to_string(code) + ")");
        }
        return false;
    }
    // The text of the source address is what the inventory is keyed on.
    const std::string source = FormatDottedAddress(best.sourceAddress);
    const char* mask = adapters_.GetMaskOfAddress(source.c_str());
    if (mask == nullptr || mask[0] == '\0') {
        if (error != nullptr) {
            *error = "subnet " + block.GetText() + ": routed from " + source +
                     ", which no local adapter carries";
        }
        return false;
    }
    if (route != nullptr) {
        route->localAddress = best.sourceAddress;
        route->localMask = ParseDottedAddress(mask);
        route->nextHop = best.nextHop;
    }
    return true;
}
