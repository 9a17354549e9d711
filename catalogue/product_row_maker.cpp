#include "catalogue/product_row_maker.h"

#include "catalogue/product.h"
#include "catalogue/product_tracker.h"
#include "net/network_adapter_manager.h"

ZProductRow ZProductRowMaker::Make(const ZProduct& product, bool details,
                                   InstalledMemo* installed) {
    ZProductRow row = ZProductRow::FromProduct(product);
    if (!details) {
        return row;
    }
    if (installed == nullptr) {
        row.installed = product.IsClientInstalled();
    } else {
        // The answer depends on the kind and the major version only, and each check reads the
        // registry: once per kind and version for a table of thousands of rows.
        const auto key = std::make_pair(product.GetType(), product.GetMajorVersion());
        auto it = installed->find(key);
        if (it == installed->end()) {
            it = installed->emplace(key, product.IsClientInstalled()).first;
        }
        row.installed = it->second;
    }
    if (tracker_ == nullptr) {
        return row;
    }
    // The tracker keys products by the bytes the device sent, not by the decoded row texts.
    if (auto seen = tracker_->Find({product.GetServiceName().GetString(), row.address, row.port})) {
        row.localAddress = seen->localAddress;
        row.localInterface = InterfaceName(row.localAddress);
    }
    return row;
}

std::string ZProductRowMaker::InterfaceName(const std::string& localAddress) {
    if (localAddress.empty()) {
        return "";
    }
    auto it = interfaceNames_.find(localAddress);
    if (it != interfaceNames_.end()) {
        return it->second;
    }
    ZNetworkAdapterManager inventory;
    inventory.Refresh();
    for (uint32_t i = 0; i < inventory.GetCount(); ++i) {
        INetworkAdapter* adapter = inventory.GetAdapter(i);
        for (uint32_t a = 0; a < adapter->GetIPAddressCount(); ++a) {
            const char* address = adapter->GetIPAddressText(a);
            const char* name = adapter->GetName();
            if (address != nullptr && name != nullptr) {
                interfaceNames_.emplace(address, name);
            }
        }
    }
    // Remembered also when no adapter carries it, so an unknown address is looked up once.
    return interfaceNames_.emplace(localAddress, "").first->second;
}
