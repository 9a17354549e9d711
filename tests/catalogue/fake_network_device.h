#pragma once
// A hand-filled INetworkDevice (and its IIPAddress) for the catalogue tests.

#include <cstdint>
#include <string>

#include "ndd/network_device_interface.h"
#include "platform/network/inet.h"

class FakeIPAddress : public IIPAddress {
public:
    std::string text;
    uint32_t value = 0;

    const char* GetAddressText() override { return text.c_str(); }
    uint32_t GetAddress() override { return value; }
    const char* GetMaskText() override { return "255.255.255.0"; }
    uint32_t GetMask() override { return zplat::InetAddr("255.255.255.0"); }
    const char* GetBroadcastText() override { return ""; }
    uint32_t GetBroadcast() override { return 0; }
    bool IsEqual(IIPAddress* other) override { return other && other->GetAddress() == value; }
    int32_t GetIndex() override { return 0; }
};

class FakeNetworkDevice : public INetworkDevice {
public:
    FakeNetworkDevice() = default;
    FakeNetworkDevice(std::string serviceName, std::string address, uint16_t port)
        : service(std::move(serviceName)), portValue(port) {
        SetAddress(address);
    }

    void SetAddress(const std::string& dotted) {
        hasAddress = !dotted.empty();
        address.text = dotted;
        address.value = hasAddress ? zplat::InetAddr(dotted.c_str()) : 0;
    }

    std::string service, name, model, version, info;
    FakeIPAddress address;
    bool hasAddress = false;
    FakeIPAddress local;  // the local address of the answer; none while its text is empty
    uint16_t portValue = 0;

    const char* GetServiceName() override { return service.c_str(); }
    uint32_t GetAddressCount() override { return hasAddress ? 1 : 0; }
    IIPAddress* GetAddress(uint32_t index) override {
        return index == 0 && hasAddress ? &address : nullptr;
    }
    IIPAddress* FindAddress(const char*) override { return nullptr; }
    IIPAddress* FindAddress(uint32_t) override { return nullptr; }
    IIPAddress* FindAddressInSubnet(uint32_t, uint32_t) override { return nullptr; }
    uint32_t GetUserData() override { return 0; }
    uint16_t GetPort() override { return portValue; }
    uint16_t GetAuxValue() override { return 0; }
    const char* GetDeviceName() override { return name.c_str(); }
    const char* GetModel() override { return model.c_str(); }
    const char* GetVersion() override { return version.c_str(); }
    const char* GetInfo() override { return info.c_str(); }
    const char* AddressToText(uint32_t) override { return ""; }
    IIPAddress* GetLocalAddress() override { return local.text.empty() ? nullptr : &local; }
    const char* GetExtraText() override { return ""; }
};
