#pragma once
// IAlternateIPAddress: the part of the adapter inventory that finds the adapter of a subnet and
// adds addresses to adapters (removed again when the inventory lets the adapter go).
//
//   uint32_t j = 0;
//   INetworkAdapter* a = alt->FindAdapterInSubnet("10.1.2.99", nullptr, &j);
//
// Ownership as for INetworkAdapterManager.

#include <cstdint>

#include "net/network_adapter_interface.h"

class IAlternateIPAddress {
public:
    virtual INetworkAdapter* FindAdapterInSubnet(const char* address, const char* mask) = 0;
    virtual INetworkAdapter* FindAdapterInSubnet(const char* address, const char* mask,
                                                 uint32_t* addressIndex) = 0;
    virtual bool AddDerivedAddress(INetworkAdapter* adapter, const char* address, const char* mask,
                                   uint8_t lastOctet, char** result) = 0;
    virtual bool AddAddress(INetworkAdapter* adapter, const char* address, const char* mask) = 0;
    virtual bool DeleteAddedAddresses(INetworkAdapter* adapter) = 0;
    virtual bool QueryInterface(const char* interfaceName, void** result) = 0;

    // After the operations, so their order stays as listed.
    virtual ~IAlternateIPAddress() = default;
};
