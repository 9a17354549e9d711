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
    return addressCount_;
}

IIPAddress* ZNetworkDevice::GetAddress(uint32_t index) {
    if (index >= addressCount_)
        return nullptr;
    return index == 0 ? &firstAddress_ : moreAddresses_[index - 1].get();
}

IIPAddress* ZNetworkDevice::FindAddress(const char* text) {
    if (text == nullptr)
        return nullptr;
    for (uint32_t i = 0; i < addressCount_; ++i) {
        IIPAddress* entry = GetAddress(i);
        if (std::strcmp(entry->GetAddressText(), text) == 0)
            return entry;
    }
    return nullptr;
}

IIPAddress* ZNetworkDevice::FindAddress(uint32_t address) {
    return FindAddress(FormatDottedAddress(address));
}

IIPAddress* ZNetworkDevice::FindAddressInSubnet(uint32_t address, uint32_t mask) {
    const uint32_t broadcast = BroadcastOf(address, mask);
    for (uint32_t i = 0; i < addressCount_; ++i) {
        IIPAddress* entry = GetAddress(i);
        if (entry->GetBroadcast() == broadcast)
            return entry;
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
    if (addressCount_ >= kMaxAddresses)
        return false;
    ZIPAddress* entry = &firstAddress_;
    if (addressCount_ > 0) {
        moreAddresses_.push_back(std::make_unique<ZIPAddress>());
        entry = moreAddresses_.back().get();
    }
    entry->SetNumeric(address, mask, 0);
    entry->SetIndex(static_cast<int32_t>(index));
    ++addressCount_;
    return true;
}

void ZNetworkDevice::SetLocalAddress(uint32_t address, uint32_t mask) {
    localAddress_.SetNumeric(address, mask, 0);
}
