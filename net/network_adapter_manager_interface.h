#pragma once
// INetworkAdapterManager: a snapshot of the machine's network adapters and the questions the
// program asks of it (which mask belongs to a local address, which adapter carries an address,
// which adapter serves a subnet), plus adding addresses to an adapter.
//
//   INetworkAdapterManager* m = ...;
//   m->Refresh();
//   const char* mask = m->GetMaskOfAddress("192.168.1.10");   // "255.255.255.0" or null
//
// Ownership: adapters and texts handed out belong to the snapshot and stay valid until its next
// Refresh or its end. Release destroys the object.

#include <cstdint>

#include "net/network_adapter_interface.h"

class INetworkAdapterManager {
public:
    virtual bool Refresh() = 0;
    virtual void Sort(int key) = 0;
    virtual uint32_t GetCount() = 0;
    virtual INetworkAdapter* GetAdapter(uint32_t index) = 0;
    virtual INetworkAdapter* FindAdapterInSubnet(const char* address, const char* mask) = 0;
    virtual bool AddDerivedAddress(INetworkAdapter* adapter, const char* address, const char* mask,
                                   uint8_t lastOctet, char** result) = 0;
    virtual bool AddAddress(INetworkAdapter* adapter, const char* address, const char* mask) = 0;
    virtual bool DeleteAddedAddresses(INetworkAdapter* adapter) = 0;
    virtual const char* GetMaskOfAddress(const char* address) = 0;
    virtual const char* GetBroadcastOfAddress(const char* address) = 0;
    virtual INetworkAdapter* FindAdapterByIndex(uint32_t interfaceIndex) = 0;
    virtual INetworkAdapter* FindAdapter(const char* address, const char* mask) = 0;
    virtual bool GetNetworkAddressOverride(INetworkAdapter* adapter, char* result) = 0;
    virtual const char* DefaultMaskOf(const char* address) = 0;
    virtual void Release() = 0;

    // After the operations, so their order stays as listed.
    virtual ~INetworkAdapterManager() = default;
};
