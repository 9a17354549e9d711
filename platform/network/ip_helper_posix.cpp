#include <memory>

#include "platform/network/ip_helper.h"
#include "platform/network/net_snapshot.h"
#include "platform/network/net_snapshot_scope.h"

namespace zplat {

namespace {

// Reads the system for every call outside a snapshot scope: the callers ask rarely, and an
// up-to-date answer matters more than the few milliseconds. Within a scope all calls share one
// reading, so an inventory of many adapters reads the system once, not once per adapter.
class PosixIpHelper : public IpHelper {
public:
    uint32_t GetAdaptersInfo(std::vector<AdapterInfo>* adapters) override {
        auto snapshot = Snapshot();
        if (!snapshot) {
            return ERROR_GEN_FAILURE;
        }
        *adapters = AdaptersFromSnapshot(*snapshot);
        return adapters->empty() ? ERROR_NO_DATA : NO_ERROR;
    }

    uint32_t GetPerAdapterInfo(uint32_t ifIndex, PerAdapterInfo* info) override {
        auto snapshot = Snapshot();
        if (!snapshot) {
            return ERROR_GEN_FAILURE;
        }
        return PerAdapterFromSnapshot(*snapshot, ifIndex, info) ? NO_ERROR : ERROR_NOT_FOUND;
    }

    uint32_t GetIfEntry(uint32_t ifIndex, IfRow* row) override {
        auto snapshot = Snapshot();
        if (!snapshot) {
            return ERROR_GEN_FAILURE;
        }
        return IfRowFromSnapshot(*snapshot, ifIndex, row) ? NO_ERROR : ERROR_NOT_FOUND;
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

    uint32_t GetIpForwardTable(std::vector<ForwardRow>* rows) override {
        auto snapshot = Snapshot();
        if (!snapshot) {
            return ERROR_GEN_FAILURE;
        }
        for (const RouteRecord& route : snapshot->routes) {
            rows->push_back({route.destination, route.mask});
        }
        return NO_ERROR;
    }

private:
    // Null when the system could not be read (a failed reading is not kept).
    std::shared_ptr<const NetworkSnapshot> Snapshot() {
        auto kept = std::static_pointer_cast<const NetworkSnapshot>(NetSnapshotScope::Kept(key_));
        if (kept) {
            return kept;
        }
        auto fresh = std::make_shared<NetworkSnapshot>();
        if (!ReadNetworkSnapshot(fresh.get())) {
            return nullptr;
        }
        NetSnapshotScope::Keep(key_, fresh);
        return fresh;
    }

    const uint64_t key_ = NetSnapshotScope::NewKey();
};

}  // namespace

std::shared_ptr<IpHelper> MakeSystemIpHelper() {
    return std::make_shared<PosixIpHelper>();
}

}  // namespace zplat
