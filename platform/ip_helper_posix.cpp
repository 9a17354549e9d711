#include "platform/ip_helper.h"
#include "platform/net_snapshot.h"

namespace zplat {

namespace {

// Reads a fresh snapshot for every call: the callers ask rarely (when the engine opens its
// socket), and an up-to-date answer matters more than the few milliseconds.
class PosixIpHelper : public IpHelper {
public:
    uint32_t GetAdaptersInfo(std::vector<AdapterInfo>* adapters) override {
        NetworkSnapshot snapshot;
        if (!ReadNetworkSnapshot(&snapshot)) {
            return ERROR_GEN_FAILURE;
        }
        *adapters = AdaptersFromSnapshot(snapshot);
        return adapters->empty() ? ERROR_NO_DATA : NO_ERROR;
    }

    uint32_t GetPerAdapterInfo(uint32_t ifIndex, PerAdapterInfo* info) override {
        NetworkSnapshot snapshot;
        if (!ReadNetworkSnapshot(&snapshot)) {
            return ERROR_GEN_FAILURE;
        }
        return PerAdapterFromSnapshot(snapshot, ifIndex, info) ? NO_ERROR : ERROR_NOT_FOUND;
    }

    uint32_t GetIfEntry(uint32_t ifIndex, IfRow* row) override {
        NetworkSnapshot snapshot;
        if (!ReadNetworkSnapshot(&snapshot)) {
            return ERROR_GEN_FAILURE;
        }
        return IfRowFromSnapshot(snapshot, ifIndex, row) ? NO_ERROR : ERROR_NOT_FOUND;
    }

    // Changing the system's addresses is left to the system's own tools here; nothing in the
    // program adds addresses.
    uint32_t AddIPAddress(uint32_t, uint32_t, uint32_t, uint32_t*, uint32_t*) override {
        return ERROR_NOT_SUPPORTED;
    }
    uint32_t DeleteIPAddress(uint32_t) override { return ERROR_NOT_SUPPORTED; }

    uint32_t GetBestRoute(uint32_t destination, BestRoute* route) override {
        return ReadSystemRoute(destination, route);
    }
};

}  // namespace

std::shared_ptr<IpHelper> MakeSystemIpHelper() {
    return std::make_shared<PosixIpHelper>();
}

}  // namespace zplat
