#pragma once
// An IP Helper backend that answers from records a test fills in by hand.
//
//   auto fake = std::make_shared<zplat::FakeIpHelper>();
//   fake->adapters.push_back(adapter);               // an AdapterInfo
//   fake->dns[adapter.index] = {"10.0.0.53"};
//   zplat::ScopedIpHelper use(fake);
//
// AddIPAddress appends the address to the adapter's list (so a later GetAdaptersInfo sees it) and
// DeleteIPAddress takes it out again; both are counted. GetBestRoute and GetIpForwardTable answer
// from routes; each GetBestRoute is counted. Not thread-safe: tests fill it first.

#include <map>
#include <string>
#include <vector>

#include "platform/network/ip_helper.h"

namespace zplat {

class FakeIpHelper : public IpHelper {
public:
    std::vector<AdapterInfo> adapters;
    std::map<uint32_t, std::vector<std::string>> dns;  // by interface index; absent: call fails
    std::map<uint32_t, IfRow> ifRows;                  // by interface index; absent: call fails
    uint32_t adaptersResult = NO_ERROR;                // a failure code makes the list call fail
    uint32_t addResult = NO_ERROR;                     // a failure code makes AddIPAddress fail

    // Routes by destination block, the longest matching prefix wins; none: unreachable.
    struct Route {
        uint32_t destination = 0;  // network order
        uint8_t prefixLength = 0;
        BestRoute route;
    };
    std::vector<Route> routes;

    int adapterCalls = 0;
    int perAdapterCalls = 0;
    int addCalls = 0;
    int deleteCalls = 0;
    int routeCalls = 0;

    uint32_t GetAdaptersInfo(std::vector<AdapterInfo>* out) override;
    uint32_t GetPerAdapterInfo(uint32_t ifIndex, PerAdapterInfo* info) override;
    uint32_t GetIfEntry(uint32_t ifIndex, IfRow* row) override;
    uint32_t AddIPAddress(uint32_t address, uint32_t mask, uint32_t ifIndex, uint32_t* context,
                          uint32_t* instance) override;
    uint32_t DeleteIPAddress(uint32_t context) override;
    uint32_t GetBestRoute(uint32_t destination, BestRoute* route) override;
    uint32_t GetIpForwardTable(std::vector<ForwardRow>* rows) override;

private:
    uint32_t next_context_ = 0x1000;
};

}  // namespace zplat
