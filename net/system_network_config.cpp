#include "net/system_network_config.h"

#include <cstdio>

#include "net/wmi_config2.h"
#include "platform/network/host.h"
#include "platform/network/inet.h"

bool ZSystemNetworkConfig::Load() {
    bool wmiOk = false;
    auto* wmi = new ZWMIConfig2();
    if (wmi->InitializeCOM()) {
        if (wmi->Connect()) {
            char** addresses = nullptr;
            char** masks = nullptr;
            int32_t count = 0;
            bool listed = wmi->GetAddresses(&addresses, &masks, &count);
            if (count >= 1) {
                std::snprintf(address_, sizeof address_, "%s", addresses[0]);
                std::snprintf(mask_, sizeof mask_, "%s", masks[0]);
                wmiOk = true;
            } else if (listed || !wmi->LastQueryFailed()) {
                // WMI answered and named no address: the machine has none to offer.
                address_[0] = '\0';
                mask_[0] = '\0';
            }
            for (int32_t i = 0; i < count; ++i) {
                delete[] addresses[i];
                delete[] masks[i];
            }
            delete[] addresses;
            delete[] masks;
            wmi->Disconnect();
        }
        wmi->UninitializeCOM();
    }
    delete wmi;

    uint32_t size = sizeof computer_name_;
    bool named =
        zplat::GetComputerNameEx(zplat::ComputerNamePhysicalDnsHostname, computer_name_, &size);
    loaded_ = true;
    return wmiOk && named;
}

uint32_t ZSystemNetworkConfig::GetPrimaryAddress() const {
    return zplat::InetAddr(address_);
}

uint32_t ZSystemNetworkConfig::GetPrimaryMask() const {
    return zplat::InetAddr(mask_);
}
