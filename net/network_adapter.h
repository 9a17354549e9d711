#pragma once
// ZNetworkAdapter: one adapter of an inventory snapshot, built from the system's adapter record
// (platform IP Helper) and, for an adapter without an assigned address (a disconnected one), from
// the TCP/IP settings the registry holds for it. Each address carries as its index its 1-based
// position in the adapter's configured address list in the registry (0 when it is not there).
//
//   ZNetworkAdapter adapter(record, 0);          // record: a zplat::AdapterInfo
//   adapter.GetIPAddressText(0);                 // "192.168.1.10"
//   adapter.GetIPMaskText(0);                    // "255.255.255.0"
//
// Addresses added with AddAlternateAddress live only as long as the object: destroying it removes
// them from the system. Ownership: the adapter owns its addresses and texts; the snapshot owns
// the adapter. One thread uses an adapter at a time; the added-address list has its own lock.

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/double_list.h"
#include "foundation/string.h"
#include "net/ip_address.h"
#include "net/network_adapter_interface.h"
#include "platform/network/ip_helper.h"

class ZNetworkAdapter : public INetworkAdapter {
public:
    // An address this object added to the system.
    struct ZAdditionalIPAddr {
        ZString address;
        ZString mask;
        uint32_t context = 0;  // what AddIPAddress returned, for DeleteIPAddress
        uint32_t instance = 0;
    };

    ZNetworkAdapter(const zplat::AdapterInfo& info, int32_t position);

    const char* GetName() override { return name_.GetString(); }
    const char* GetDescription() override { return description_.GetString(); }
    uint32_t GetInterfaceIndex() override { return interface_index_; }
    const char* GetTypeName(int type) override;
    uint32_t GetType() override { return type_; }
    uint32_t GetHardwareAddressLength() override { return hardware_address_length_; }
    const uint8_t* GetHardwareAddress() override { return hardware_address_; }
    const char* GetHardwareAddressText() override;
    uint32_t GetLeaseObtained() override { return lease_obtained_; }
    uint32_t GetLeaseExpires() override { return lease_expires_; }
    uint32_t GetIPAddressCount() override { return static_cast<uint32_t>(addresses_.size()); }
    const char* GetIPAddressText(uint32_t index) override;
    const char* GetIPMaskText(uint32_t index) override;
    const char* GetIPBroadcastText(uint32_t index) override;
    int FindIPAddress(const char* address) override;
    uint32_t GetDnsServerCount() override { return static_cast<uint32_t>(dns_servers_.size()); }
    const char* GetDnsServer(uint32_t index) override;
    uint32_t GetGatewayCount() override { return static_cast<uint32_t>(gateways_.size()); }
    const char* GetGateway(uint32_t index) override;
    bool IsDhcpEnabled() override { return dhcp_enabled_; }
    const char* GetDhcpServer() override { return dhcp_server_.GetString(); }
    bool HasWins() override { return wins_present_; }
    const char* GetPrimaryWinsServer() override { return primary_wins_.GetString(); }
    const char* GetSecondaryWinsServer() override { return secondary_wins_.GetString(); }
    bool AddAlternateAddress(const char* address, const char* mask) override;
    bool DeleteAlternateAddress(const char* address, const char* mask) override;
    bool DeleteAlternateAddresses() override;
    bool IsOperational() override;
    int32_t GetIPAddressIndex(uint32_t index) override;

    // Reads the adapter's record again and rebuilds its addresses; true when the record was found.
    virtual bool RefreshAddresses();
    // 1-based position of address in the adapter's configured address list, 0 when absent.
    virtual int32_t GetRegistryAddressPosition(const char* address);
    // True when some address parses to a value other than 0.
    virtual bool HasAssignedAddress();
    // True when a comma-separated list holds an item that is neither empty nor "0.0.0.0".
    virtual bool HasListedAddress(const ZString* list);
    // Replaces addresses, DNS servers and gateways by the registry's; false when the adapter's
    // settings cannot be located.
    virtual bool LoadFromRegistry();
    // "0x" and 8 hexadecimal digits (exactly 10 characters) as a number; 0 for any other text.
    virtual uint32_t ParseContext(const char* text);
    ~ZNetworkAdapter() override;
    virtual void SetPCILocation(int32_t location) { pci_location_ = location; }
    virtual int32_t GetPCILocation() { return pci_location_; }
    virtual int32_t GetPosition() { return position_; }

private:
    void SetAddresses(const std::vector<zplat::IpAddrString>& list);
    ZIPAddress* AddressAt(uint32_t index);

    ZString name_;
    ZString description_;
    uint32_t interface_index_ = 0;
    uint32_t type_ = 0;
    uint32_t hardware_address_length_ = 0;
    uint8_t hardware_address_[8] = {};
    ZString hardware_address_text_;
    int32_t pci_location_ = -1;
    uint32_t lease_obtained_ = 0;
    uint32_t lease_expires_ = 0;
    std::vector<std::unique_ptr<ZIPAddress>> addresses_;
    std::vector<ZString> dns_servers_;
    std::vector<ZString> gateways_;
    bool dhcp_enabled_ = false;
    ZString dhcp_server_;
    bool wins_present_ = false;
    ZString primary_wins_;
    ZString secondary_wins_;
    ZIDoubleList<ZAdditionalIPAddr>* added_;  // owned, with its records
    int32_t position_ = 0;
    bool destroying_ = false;
};
