#pragma once
// INetworkAdapter: one network adapter of an inventory snapshot (ZNetworkAdapterManager): its
// identity, hardware address, IPv4 addresses with masks, gateways, DNS servers, DHCP and WINS
// settings, and the addresses added through it.
//
//   INetworkAdapter* a = manager.FindAdapter("192.168.1.10", nullptr);
//   if (a) { a->GetName(); a->GetHardwareAddressText(); }   // "eth0", "00 1A 2B 3C 4D 5E"
//
// Ownership: the snapshot owns its adapters; a pointer stays valid until the snapshot's next
// Refresh, Clear or destruction. Texts belong to the adapter and are never null unless stated.

#include <cstdint>

class INetworkAdapter {
public:
    virtual const char* GetName() = 0;
    virtual const char* GetDescription() = 0;
    virtual uint32_t GetInterfaceIndex() = 0;
    // The name of a type code (the argument, not the adapter's own type).
    virtual const char* GetTypeName(int type) = 0;
    virtual uint32_t GetType() = 0;
    virtual uint32_t GetHardwareAddressLength() = 0;
    // The 8-byte hardware address field.
    virtual const uint8_t* GetHardwareAddress() = 0;
    virtual const char* GetHardwareAddressText() = 0;
    virtual uint32_t GetLeaseObtained() = 0;
    virtual uint32_t GetLeaseExpires() = 0;
    virtual uint32_t GetIPAddressCount() = 0;
    // Null when index is out of range.
    virtual const char* GetIPAddressText(uint32_t index) = 0;
    virtual const char* GetIPMaskText(uint32_t index) = 0;
    virtual const char* GetIPBroadcastText(uint32_t index) = 0;
    // Index of the first address whose text equals, else -1 (also for null).
    virtual int FindIPAddress(const char* address) = 0;
    virtual uint32_t GetDnsServerCount() = 0;
    virtual const char* GetDnsServer(uint32_t index) = 0;
    virtual uint32_t GetGatewayCount() = 0;
    virtual const char* GetGateway(uint32_t index) = 0;
    virtual bool IsDhcpEnabled() = 0;
    virtual const char* GetDhcpServer() = 0;
    virtual bool HasWins() = 0;
    virtual const char* GetPrimaryWinsServer() = 0;
    virtual const char* GetSecondaryWinsServer() = 0;
    virtual bool AddAlternateAddress(const char* address, const char* mask) = 0;
    virtual bool DeleteAlternateAddress(const char* address, const char* mask) = 0;
    virtual bool DeleteAlternateAddresses() = 0;
    virtual bool IsOperational() = 0;
    // The registry position of that address, 0 when out of range.
    virtual int32_t GetIPAddressIndex(uint32_t index) = 0;

    // After the operations, so their order stays as listed.
    virtual ~INetworkAdapter() = default;
};
