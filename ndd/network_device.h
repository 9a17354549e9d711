#pragma once
// ZNetworkDevice: the record of what one answer said about one device (INetworkDevice), and
// LNetworkDeviceList, the list type that holds such records.
//
//   ZNetworkDevice* d = new ZNetworkDevice("zelvane.cuedeck", 4300, 0, "Booth 2", nullptr,
//                                          "6.4.2", info, nullptr);
//   d->SetUserData(0);
//   d->AddAddress(deviceAddress, deviceMask, indexValue);
//   d->SetLocalAddress(requesterAddress, requesterMask);
//   d->GetModel();                       // "" : absent texts read as empty
//
// Filled once after construction, then only read (an owner may later set a new local address).
// Values: addresses and masks are 32-bit values holding the octets in network order in memory.
//
// Ownership: the record owns copies of its texts and its address objects; everything it returns
// stays valid until the record changes or is deleted. Whoever creates a record deletes it. No
// lock: its owner guards it.

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/double_list.h"
#include "ndd/network_device_interface.h"
#include "net/ip_address.h"

class ZNetworkDevice : public INetworkDevice {
public:
    // The most addresses a record holds.
    static constexpr uint32_t kMaxAddresses = 32;

    // Copies the texts (null stays absent) and stores the numbers; no addresses, empty local
    // address, user data 0.
    ZNetworkDevice(const char* serviceName, uint16_t port, uint16_t auxValue,
                   const char* deviceName, const char* model, const char* version, const char* info,
                   const char* extraText);
    ZNetworkDevice(const ZNetworkDevice&) = delete;
    ZNetworkDevice& operator=(const ZNetworkDevice&) = delete;

    const char* GetServiceName() override;
    uint32_t GetAddressCount() override;
    IIPAddress* GetAddress(uint32_t index) override;
    IIPAddress* FindAddress(const char* text) override;
    IIPAddress* FindAddress(uint32_t address) override;
    IIPAddress* FindAddressInSubnet(uint32_t address, uint32_t mask) override;
    uint32_t GetUserData() override;
    uint16_t GetPort() override;
    uint16_t GetAuxValue() override;
    const char* GetDeviceName() override;
    const char* GetModel() override;
    const char* GetVersion() override;
    const char* GetInfo() override;
    const char* AddressToText(uint32_t address) override;
    IIPAddress* GetLocalAddress() override;
    const char* GetExtraText() override;
    ~ZNetworkDevice() override;

    void SetUserData(uint32_t userData);
    // Sets the next address entry with its index; false, and nothing changes, when the record
    // already holds kMaxAddresses.
    bool AddAddress(uint32_t address, uint32_t mask, uint32_t index);
    void SetLocalAddress(uint32_t address, uint32_t mask);

private:
    // The six texts, in the order of the constructor's arguments.
    enum TextSlot { kServiceName, kDeviceName, kModel, kVersion, kInfo, kExtraText, kTextSlots };
    static constexpr uint32_t kAbsent = 0xFFFFFFFFu;
    const char* Read(TextSlot slot) const {
        return offsets_[slot] != kAbsent ? texts_.get() + offsets_[slot] : "";
    }

    // Address 0 lives in the record, the rest are made as they are added: an answer's record
    // holds one address, and a record is built for every answer that arrives, thousands per
    // second in a large installation (two records per device and cycle: the engine's and the
    // agent's copy).
    ZIPAddress firstAddress_;
    std::vector<std::unique_ptr<ZIPAddress>> moreAddresses_;
    uint32_t addressCount_ = 0;
    ZIPAddress localAddress_;
    uint32_t userData_ = 0;
    uint16_t port_;
    uint16_t auxValue_;
    // Every text with its NUL in one block: one allocation per record instead of six.
    std::unique_ptr<char[]> texts_;
    uint32_t offsets_[kTextSlots];  // into texts_, kAbsent for a null text
};

using LNetworkDeviceList = ZIDoubleList<ZNetworkDevice>;
