#include "ndd/network_device_index.h"

#include <cstring>
#include <functional>
#include <string_view>

namespace {

// Mixes one more value into a hash (the combining step of boost::hash_combine, 64-bit constant).
size_t Combine(size_t hash, size_t value) {
    return hash ^ (value + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2));
}

size_t HashText(const char* text) {
    return std::hash<std::string_view>{}(std::string_view(text != nullptr ? text : ""));
}

bool SameText(const char* a, const char* b) {
    return std::strcmp(a != nullptr ? a : "", b != nullptr ? b : "") == 0;
}

}  // namespace

bool ZNetworkDeviceIndex::IsSameDevice(INetworkDevice* a, INetworkDevice* b) {
    if (a == nullptr || b == nullptr) {
        return false;
    }
    IIPAddress* addressA = a->GetAddress(0);
    IIPAddress* addressB = b->GetAddress(0);
    return addressA != nullptr && addressB != nullptr && a->GetPort() == b->GetPort() &&
           SameText(addressA->GetAddressText(), addressB->GetAddressText()) &&
           SameText(addressA->GetMaskText(), addressB->GetMaskText()) &&
           SameText(a->GetServiceName(), b->GetServiceName());
}

bool ZNetworkDeviceIndex::HashOf(INetworkDevice* device, size_t* hash) {
    IIPAddress* address = device->GetAddress(0);
    if (address == nullptr) {
        return false;
    }
    size_t h = HashText(address->GetAddressText());
    h = Combine(h, HashText(address->GetMaskText()));
    h = Combine(h, HashText(device->GetServiceName()));
    *hash = Combine(h, device->GetPort());
    return true;
}

ZNetworkDevice* ZNetworkDeviceIndex::Find(INetworkDevice* device) const {
    size_t hash = 0;
    if (device == nullptr || !HashOf(device, &hash)) {
        return nullptr;
    }
    auto [it, end] = devices_.equal_range(hash);
    for (; it != end; ++it) {
        if (IsSameDevice(it->second, device)) {
            return it->second;
        }
    }
    return nullptr;
}

bool ZNetworkDeviceIndex::Add(ZNetworkDevice* device) {
    size_t hash = 0;
    if (device == nullptr || !HashOf(device, &hash) || Find(device) != nullptr) {
        return false;
    }
    devices_.emplace(hash, device);
    return true;
}

bool ZNetworkDeviceIndex::Remove(ZNetworkDevice* device) {
    size_t hash = 0;
    if (device == nullptr || !HashOf(device, &hash)) {
        return false;
    }
    auto [it, end] = devices_.equal_range(hash);
    for (; it != end; ++it) {
        if (it->second == device) {
            devices_.erase(it);
            return true;
        }
    }
    return false;
}

void ZNetworkDeviceIndex::Clear() {
    devices_.clear();
}
