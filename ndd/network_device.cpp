#include "ndd/network_device.h"

#include <cstring>

ZNetworkDevice::ZNetworkDevice(const char* serviceName, uint16_t port, uint16_t auxValue,
                               const char* deviceName, const char* model, const char* version,
                               const char* info, const char* extraText)
    : port_(port), auxValue_(auxValue) {
    const char* texts[kTextSlots] = {serviceName, deviceName, model, version, info, extraText};
    size_t sizes[kTextSlots];
    size_t total = 0;
    for (int i = 0; i < kTextSlots; ++i) {
        sizes[i] = texts[i] != nullptr ? std::strlen(texts[i]) + 1 : 0;  // the text and its NUL
        total += sizes[i];
    }
    if (total > 0) {
        texts_.reset(new char[total]);
    }
    size_t at = 0;
    for (int i = 0; i < kTextSlots; ++i) {
        if (texts[i] == nullptr) {
            offsets_[i] = kAbsent;
            continue;
        }
        std::memcpy(texts_.get() + at, texts[i], sizes[i]);
        offsets_[i] = static_cast<uint32_t>(at);
        at += sizes[i];
    }
}

ZNetworkDevice::~ZNetworkDevice() = default;

const char* ZNetworkDevice::GetServiceName() {
    return Read(kServiceName);
}

uint32_t ZNetworkDevice::GetAddressCount() {
    return static_cast<uint32_t>(addresses_.size());
}

IIPAddress* ZNetworkDevice::GetAddress(uint32_t index) {
    return index < addresses_.size() ? addresses_[index].get() : nullptr;
}

IIPAddress* ZNetworkDevice::FindAddress(const char* text) {
    if (text == nullptr)
        return nullptr;
    for (size_t i = 0; i < addresses_.size(); ++i) {
        if (std::strcmp(addresses_[i]->GetAddressText(), text) == 0)
            return addresses_[i].get();
    }
    return nullptr;
}

IIPAddress* ZNetworkDevice::FindAddress(uint32_t address) {
    return FindAddress(FormatDottedAddress(address));
}

IIPAddress* ZNetworkDevice::FindAddressInSubnet(uint32_t address, uint32_t mask) {
    const uint32_t broadcast = BroadcastOf(address, mask);
    for (size_t i = 0; i < addresses_.size(); ++i) {
        if (addresses_[i]->GetBroadcast() == broadcast)
            return addresses_[i].get();
    }
    return nullptr;
}

uint32_t ZNetworkDevice::GetUserData() {
    return userData_;
}
uint16_t ZNetworkDevice::GetPort() {
    return port_;
}
uint16_t ZNetworkDevice::GetAuxValue() {
    return auxValue_;
}
const char* ZNetworkDevice::GetDeviceName() {
    return Read(kDeviceName);
}
const char* ZNetworkDevice::GetModel() {
    return Read(kModel);
}
const char* ZNetworkDevice::GetVersion() {
    return Read(kVersion);
}
const char* ZNetworkDevice::GetInfo() {
    return Read(kInfo);
}
const char* ZNetworkDevice::AddressToText(uint32_t address) {
    return FormatDottedAddress(address);
}
IIPAddress* ZNetworkDevice::GetLocalAddress() {
    return &localAddress_;
}
const char* ZNetworkDevice::GetExtraText() {
    return Read(kExtraText);
}

void ZNetworkDevice::SetUserData(uint32_t userData) {
    userData_ = userData;
}

bool ZNetworkDevice::AddAddress(uint32_t address, uint32_t mask, uint32_t index) {
    if (addresses_.size() >= kMaxAddresses)
        return false;
    if (addresses_.empty())
        addresses_.reserve(1);  // what nearly every record holds
    auto entry = std::make_unique<ZIPAddress>();
    entry->SetNumeric(address, mask, 0);
    entry->SetIndex(static_cast<int32_t>(index));
    addresses_.push_back(std::move(entry));
    return true;
}

void ZNetworkDevice::SetLocalAddress(uint32_t address, uint32_t mask) {
    localAddress_.SetNumeric(address, mask, 0);
}
