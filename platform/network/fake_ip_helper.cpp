#include "platform/network/fake_ip_helper.h"

#include <algorithm>

#include "platform/network/inet.h"

namespace zplat {

uint32_t FakeIpHelper::GetAdaptersInfo(std::vector<AdapterInfo>* out) {
    ++adapterCalls;
    if (adaptersResult != NO_ERROR) {
        return adaptersResult;
    }
    *out = adapters;
    return adapters.empty() ? ERROR_NO_DATA : NO_ERROR;
}

uint32_t FakeIpHelper::GetPerAdapterInfo(uint32_t ifIndex, PerAdapterInfo* info) {
    ++perAdapterCalls;
    auto it = dns.find(ifIndex);
    if (it == dns.end()) {
        return ERROR_NOT_FOUND;
    }
    *info = PerAdapterInfo{};
    info->dnsServerList = it->second;
    return NO_ERROR;
}

uint32_t FakeIpHelper::GetIfEntry(uint32_t ifIndex, IfRow* row) {
    auto it = ifRows.find(ifIndex);
    if (it == ifRows.end()) {
        return ERROR_NOT_FOUND;
    }
    *row = it->second;
    return NO_ERROR;
}

uint32_t FakeIpHelper::AddIPAddress(uint32_t address, uint32_t mask, uint32_t ifIndex,
                                    uint32_t* context, uint32_t* instance) {
    ++addCalls;
    if (addResult != NO_ERROR) {
        return addResult;
    }
    for (auto& a : adapters) {
        if (a.index != ifIndex) {
            continue;
        }
        uint32_t c = next_context_++;
        // The first real address replaces the 0.0.0.0 placeholder of an adapter without one.
        if (a.ipAddressList.size() == 1 && a.ipAddressList[0].ipAddress == "0.0.0.0") {
            a.ipAddressList.clear();
        }
        a.ipAddressList.push_back({InetNtoa(address), InetNtoa(mask), c});
        *context = c;
        *instance = c;
        return NO_ERROR;
    }
    return ERROR_NOT_FOUND;
}

uint32_t FakeIpHelper::DeleteIPAddress(uint32_t context) {
    ++deleteCalls;
    for (auto& a : adapters) {
        for (auto it = a.ipAddressList.begin(); it != a.ipAddressList.end(); ++it) {
            if (it->context == context) {
                a.ipAddressList.erase(it);
                if (a.ipAddressList.empty()) {
                    a.ipAddressList.push_back({"0.0.0.0", "0.0.0.0", 0});
                }
                return NO_ERROR;
            }
        }
    }
    return ERROR_NOT_FOUND;
}

}  // namespace zplat

namespace zplat {

namespace {

uint32_t HostMaskOf(uint8_t prefixLength) {
    return prefixLength == 0 ? 0 : 0xFFFFFFFFu << (32 - std::min<int>(prefixLength, 32));
}

}  // namespace

uint32_t FakeIpHelper::GetBestRoute(uint32_t destination, BestRoute* route) {
    ++routeCalls;
    const Route* best = nullptr;
    for (const Route& r : routes) {
        const uint32_t mask = HostMaskOf(r.prefixLength);
        if ((NetToHost32(destination) & mask) == (NetToHost32(r.destination) & mask) &&
            (best == nullptr || r.prefixLength > best->prefixLength)) {
            best = &r;
        }
    }
    if (best == nullptr) {
        return ERROR_NETWORK_UNREACHABLE;
    }
    *route = best->route;
    return NO_ERROR;
}

uint32_t FakeIpHelper::GetIpForwardTable(std::vector<ForwardRow>* rows) {
    for (const Route& r : routes) {
        rows->push_back({r.destination, HostToNet32(HostMaskOf(r.prefixLength))});
    }
    return NO_ERROR;
}

}  // namespace zplat
