// The system's WMI answers on POSIX, synthesized from the adapter records and the PCI devices.

#include <map>

#include "platform/network/wmi.h"
#include "platform/registry/registry.h"

namespace zplat {

namespace {

class SystemWmi : public WmiProvider {
public:
    HRESULT Query(std::string_view className, std::vector<WmiObject>* objects) override {
        std::vector<AdapterInfo> adapters;
        if (GetAdaptersInfo(&adapters) != NO_ERROR) {
            adapters.clear();
        }
        if (RegNameEquals(className, "Win32_NetworkAdapter")) {
            *objects = WmiNetworkAdapters(adapters, ReadPciDevices());
            return S_OK;
        }
        if (RegNameEquals(className, "Win32_NetworkAdapterConfiguration")) {
            std::map<uint32_t, std::vector<std::string>> dns;
            for (const auto& a : adapters) {
                PerAdapterInfo info;
                if (GetPerAdapterInfo(a.index, &info) == NO_ERROR) {
                    dns[a.index] = info.dnsServerList;
                }
            }
            *objects = WmiAdapterConfigurations(adapters, dns);
            return S_OK;
        }
        return WBEM_E_INVALID_CLASS;
    }
};

}  // namespace

std::shared_ptr<WmiProvider> MakeSystemWmi() {
    return std::make_shared<SystemWmi>();
}

}  // namespace zplat
