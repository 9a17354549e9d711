#include "net/network_adapter_manager.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "net/ip_address.h"
#include "net/network_adapter_pci_location.h"
#include "net/registry_values.h"
#include "platform/network/ip_helper.h"
#include "platform/network/net_snapshot_scope.h"
#include "platform/registry/registry.h"

namespace {

constexpr const char* kNetClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}";

int CompareNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a);
        unsigned char cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') {
            ca = static_cast<unsigned char>(ca + 32);
        }
        if (cb >= 'A' && cb <= 'Z') {
            cb = static_cast<unsigned char>(cb + 32);
        }
        if (ca != cb || ca == '\0') {
            return static_cast<int>(ca) - static_cast<int>(cb);
        }
    }
}

std::string FirstString(zplat::HKEY key, const char* name, bool* present) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    *present = ReadRegistryValue(key, name, &type, &data);
    if (!*present) {
        return std::string();
    }
    std::vector<std::string> strings = RegistryStrings(type, data);
    return strings.empty() ? std::string() : strings.front();
}

}  // namespace

ZNetworkAdapterManager::~ZNetworkAdapterManager() {
    Clear();
}

void ZNetworkAdapterManager::Clear() {
    for (ZNetworkAdapter* a : adapters_) {
        delete a;
    }
    adapters_.clear();
}

bool ZNetworkAdapterManager::Refresh() {
    Clear();
    // One reading of the system for the whole snapshot: the adapter list, each adapter's DNS
    // servers and the registry view the adapters and the PCI pass open again and again.
    zplat::NetSnapshotScope scope;
    std::vector<zplat::AdapterInfo> records;
    if (zplat::GetAdaptersInfo(&records) != zplat::NO_ERROR) {
        return false;
    }
    for (size_t i = 0; i < records.size(); ++i) {
        adapters_.push_back(new ZNetworkAdapter(records[i], static_cast<int32_t>(i)));
    }
    ZNetworkAdapterPCILocation* table = GetPCILocationTable();
    if (table->Build(false)) {
        for (uint32_t i = 0; i < table->GetCount(); ++i) {
            ZAdapterLoc* loc = table->GetRecord(i);
            ZNetworkAdapter* adapter = AdapterWithIndex(static_cast<uint32_t>(loc->GetWMIIndex()));
            if (adapter != nullptr) {
                adapter->SetPCILocation(loc->GetLocationNumber());
            }
        }
    }
    return true;
}

INetworkAdapter* ZNetworkAdapterManager::GetAdapter(uint32_t index) {
    return index < adapters_.size() ? adapters_[index] : nullptr;
}

ZNetworkAdapter* ZNetworkAdapterManager::AdapterWithIndex(uint32_t interfaceIndex) {
    for (ZNetworkAdapter* a : adapters_) {
        if (a->GetInterfaceIndex() == interfaceIndex) {
            return a;
        }
    }
    return nullptr;
}

INetworkAdapter* ZNetworkAdapterManager::FindAdapterByIndex(uint32_t interfaceIndex) {
    return AdapterWithIndex(interfaceIndex);
}

const char* ZNetworkAdapterManager::GetMaskOfAddress(const char* address) {
    if (address == nullptr) {
        return nullptr;
    }
    for (ZNetworkAdapter* a : adapters_) {
        int j = a->FindIPAddress(address);
        if (j >= 0) {
            return a->GetIPMaskText(static_cast<uint32_t>(j));
        }
    }
    return nullptr;
}

const char* ZNetworkAdapterManager::GetBroadcastOfAddress(const char* address) {
    if (address == nullptr) {
        return nullptr;
    }
    for (ZNetworkAdapter* a : adapters_) {
        int j = a->FindIPAddress(address);
        if (j >= 0) {
            return a->GetIPBroadcastText(static_cast<uint32_t>(j));
        }
    }
    return nullptr;
}

INetworkAdapter* ZNetworkAdapterManager::FindAdapter(const char* address, const char* mask) {
    if (address == nullptr) {
        return nullptr;
    }
    for (ZNetworkAdapter* a : adapters_) {
        int j = a->FindIPAddress(address);
        if (j < 0) {
            continue;
        }
        if (mask == nullptr) {
            return a;
        }
        const char* own = a->GetIPMaskText(static_cast<uint32_t>(j));
        if (own != nullptr && std::strcmp(own, mask) == 0) {
            return a;
        }
    }
    return nullptr;
}

INetworkAdapter* ZNetworkAdapterManager::FindAdapterInSubnet(const char* address,
                                                             const char* mask) {
    return FindAdapterInSubnet(address, mask, nullptr);
}

INetworkAdapter* ZNetworkAdapterManager::FindAdapterInSubnet(const char* address, const char* mask,
                                                             uint32_t* addressIndex) {
    if (address == nullptr) {
        return nullptr;
    }
    uint32_t given = ParseDottedAddress(address);
    bool haveMask = mask != nullptr && mask[0] != '\0';
    uint32_t givenMask = haveMask ? ParseDottedAddress(mask) : 0;
    for (ZNetworkAdapter* a : adapters_) {
        for (uint32_t j = 0; j < a->GetIPAddressCount(); ++j) {
            uint32_t own = ParseDottedAddress(a->GetIPAddressText(j));
            uint32_t ownMask = ParseDottedAddress(a->GetIPMaskText(j));
            if (ownMask == 0) {
                continue;
            }
            if (BroadcastOf(own, ownMask) == BroadcastOf(given, haveMask ? givenMask : ownMask)) {
                if (addressIndex != nullptr) {
                    *addressIndex = j;
                }
                return a;
            }
        }
    }
    return nullptr;
}

bool ZNetworkAdapterManager::AddAddress(INetworkAdapter* adapter, const char* address,
                                        const char* mask) {
    if (adapter == nullptr) {
        for (ZNetworkAdapter* a : adapters_) {
            if (a->IsOperational()) {
                adapter = a;
                break;
            }
        }
        if (adapter == nullptr) {
            return false;
        }
    }
    return adapter->AddAlternateAddress(address, mask);
}

bool ZNetworkAdapterManager::AddDerivedAddress(INetworkAdapter* adapter, const char* address,
                                               const char* mask, uint8_t lastOctet, char** result) {
    if (result != nullptr) {
        *result = nullptr;
    }
    if (address == nullptr || mask == nullptr) {
        return false;
    }
    std::string derived(address);
    size_t dot = derived.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    derived.resize(dot + 1);
    derived += std::to_string(lastOctet);
    if (!AddAddress(adapter, derived.c_str(), mask)) {
        return false;
    }
    if (result != nullptr) {
        *result = new char[derived.size() + 1];
        std::memcpy(*result, derived.c_str(), derived.size() + 1);
    }
    return true;
}

bool ZNetworkAdapterManager::DeleteAddedAddresses(INetworkAdapter* adapter) {
    if (adapter != nullptr) {
        adapter->DeleteAlternateAddresses();
        return true;
    }
    for (ZNetworkAdapter* a : adapters_) {
        a->DeleteAlternateAddresses();
    }
    return true;
}

bool ZNetworkAdapterManager::GetNetworkAddressOverride(INetworkAdapter* adapter, char* result) {
    if (adapter == nullptr) {
        return false;
    }
    zplat::NetSnapshotScope scope;  // one registry view for the walk over the class keys
    zplat::HKEY classKey = nullptr;
    if (zplat::RegOpenKeyEx(zplat::HKEY_LOCAL_MACHINE, kNetClassKey, 0, zplat::KEY_READ,
                            &classKey) != zplat::ERROR_SUCCESS) {
        return false;
    }
    bool found = false;
    for (const std::string& sub : RegistrySubKeys(classKey)) {
        zplat::HKEY key = nullptr;
        // Read access only: the value is only read, and write access is refused to users
        // without administrator rights, which would skip every key.
        if (zplat::RegOpenKeyEx(classKey, sub.c_str(), 0, zplat::KEY_READ, &key) !=
            zplat::ERROR_SUCCESS) {
            continue;
        }
        bool present = false;
        std::string id = FirstString(key, "NetCfgInstanceId", &present);
        if (present && id == adapter->GetName()) {
            if (result != nullptr) {
                result[0] = '\0';
                std::string value = FirstString(key, "NetworkAddress", &present);
                if (present) {
                    std::snprintf(result, kNetworkAddressOverrideRoom, "%s", value.c_str());
                }
            }
            found = true;
        }
        zplat::RegCloseKey(key);
        if (found) {
            break;
        }
    }
    zplat::RegCloseKey(classKey);
    return found;
}

const char* ZNetworkAdapterManager::DefaultMaskOf(const char* address) {
    return ::DefaultMaskOf(address);
}

bool ZNetworkAdapterManager::QueryInterface(const char* interfaceName, void** result) {
    if (interfaceName == nullptr || result == nullptr) {
        return false;
    }
    if (std::strcmp(interfaceName, "INetworkAdapterManager") == 0) {
        *result = static_cast<INetworkAdapterManager*>(this);
        return true;
    }
    if (std::strcmp(interfaceName, "INetworkAdapterManager2") == 0) {
        *result = static_cast<INetworkAdapterManager2*>(this);
        return true;
    }
    if (std::strcmp(interfaceName, "IAlternateIPAddress") == 0) {
        *result = static_cast<IAlternateIPAddress*>(this);
        return true;
    }
    // The configuration writers and listeners are not part of this program.
    return false;
}

void ZNetworkAdapterManager::Release() {
    delete this;
}

bool ZNetworkAdapterManager::Before(ZNetworkAdapter* a, ZNetworkAdapter* b, int key) {
    switch (key) {
        case kSortByInterfaceIndex:
            return a->GetInterfaceIndex() < b->GetInterfaceIndex();
        case kSortByDescription:
            return CompareNoCase(a->GetDescription(), b->GetDescription()) < 0;
        case kSortByType:
            return a->GetType() < b->GetType();
        case kSortByPCILocation:
            return a->GetPCILocation() < b->GetPCILocation();
        default:
            return a->GetPosition() < b->GetPosition();
    }
}

void ZNetworkAdapterManager::Sort(int key) {
    if (adapters_.size() > 1) {
        SortRange(adapters_.data(), 0, static_cast<int>(adapters_.size()) - 1, key);
    }
}

void ZNetworkAdapterManager::SortRange(ZNetworkAdapter** adapters, int first, int last, int key) {
    // Quicksort in place; recursion takes the smaller part so the depth stays logarithmic.
    while (adapters != nullptr && first < last) {
        ZNetworkAdapter* pivot = adapters[first + (last - first) / 2];
        int i = first, j = last;
        while (i <= j) {
            while (Before(adapters[i], pivot, key)) {
                ++i;
            }
            while (Before(pivot, adapters[j], key)) {
                --j;
            }
            if (i <= j) {
                std::swap(adapters[i], adapters[j]);
                ++i;
                --j;
            }
        }
        if (j - first < last - i) {
            SortRange(adapters, first, j, key);
            first = i;
        } else {
            SortRange(adapters, i, last, key);
            last = j;
        }
    }
}
