#include "ndd/network_device.h"

#include <cstring>

ZNetworkDevice::ZNetworkDevice(const char* serviceName, uint16_t port, uint16_t auxValue,
                               const char* deviceName, const char* model, const char* version,
                               const char* info, const char* extraText)
    : port_(port),
      auxValue_(auxValue),
      serviceName_(Copy(serviceName)),
      deviceName_(Copy(deviceName)),
      model_(Copy(model)),
      version_(Copy(version)),
      info_(Copy(info)),
      extraText_(Copy(extraText)) {}

ZNetworkDevice::~ZNetworkDevice() = default;

ZNetworkDevice::Text ZNetworkDevice::Copy(const char* text) {
    if (text == nullptr)
        return nullptr;
    const size_t size = std::strlen(text) + 1;  // exactly the text and its NUL
    Text copy(new char[size]);
    std::memcpy(copy.get(), text, size);
    return copy;
}

const char* ZNetworkDevice::GetServiceName() {
    return Read(serviceName_);
}

uint32_t ZNetworkDevice::GetAddressCount() {
    return addressCount_;
}

IIPAddress* ZNetworkDevice::GetAddress(uint32_t index) {
    return index < addressCount_ ? addresses_[index].get() : nullptr;
}

IIPAddress* ZNetworkDevice::FindAddress(const char* text) {
    if (text == nullptr)
        return nullptr;
    for (uint32_t i = 0; i < addressCount_; ++i) {
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
    for (uint32_t i = 0; i < addressCount_; ++i) {
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
    return Read(deviceName_);
}
const char* ZNetworkDevice::GetModel() {
    return Read(model_);
}
const char* ZNetworkDevice::GetVersion() {
    return Read(version_);
}
const char* ZNetworkDevice::GetInfo() {
    return Read(info_);
}
const char* ZNetworkDevice::AddressToText(uint32_t address) {
    return FormatDottedAddress(address);
}
IIPAddress* ZNetworkDevice::GetLocalAddress() {
    return &localAddress_;
}
const char* ZNetworkDevice::GetExtraText() {
    return Read(extraText_);
}

void ZNetworkDevice::SetUserData(uint32_t userData) {
    userData_ = userData;
}

bool ZNetworkDevice::AddAddress(uint32_t address, uint32_t mask, uint32_t index) {
    if (addressCount_ >= kMaxAddresses)
        return false;
    addresses_[addressCount_] = std::make_unique<ZIPAddress>();
    ZIPAddress& entry = *addresses_[addressCount_++];
    entry.SetNumeric(address, mask, 0);
    entry.SetIndex(static_cast<int32_t>(index));
    return true;
}

void ZNetworkDevice::SetLocalAddress(uint32_t address, uint32_t mask) {
    localAddress_.SetNumeric(address, mask, 0);
}
